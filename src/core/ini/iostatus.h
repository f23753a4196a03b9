#pragma once

#include <QString>

namespace lorvanta {

// Outcome of a file operation: a code a caller can branch on, and a text
// for the user or the log that names the file and the reason.
class IoStatus {
public:
    enum class Code { Ok, OpenFailed, WriteFailed, RenameFailed, ReadFailed, Busy, Interrupted };

    IoStatus() = default;
    static IoStatus failure(Code code, QString detail) { return IoStatus(code, std::move(detail)); }

    bool ok() const { return code_ == Code::Ok; }
    Code code() const { return code_; }
    const QString& detail() const { return detail_; }

private:
    IoStatus(Code code, QString detail) : code_(code), detail_(std::move(detail)) {}
    Code code_ = Code::Ok;
    QString detail_;
};

} // namespace lorvanta
