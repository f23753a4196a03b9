#include "fakeplatform.h"

namespace lorvanta::platform {

namespace {

class FakeEnvironment final : public Environment {
public:
    explicit FakeEnvironment(FakePlatform& f) : f_(f) {}
    QString programFolder() const override { return f_.programFolder; }
    QString configFolder() const override { return f_.configFolder; }
    QString homeFolder() const override { return f_.homeFolder; }
    std::optional<QString> variable(const QString& name) const override {
        if (const auto it = f_.variables.constFind(name); it != f_.variables.cend()) return *it;
        for (auto it = f_.variables.cbegin(); it != f_.variables.cend(); ++it)
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it.value();
        return std::nullopt;
    }
    QStringList searchPath() const override { return f_.searchPath; }

private:
    FakePlatform& f_;
};

class FakeDialogs final : public Dialogs {
public:
    explicit FakeDialogs(FakePlatform& f) : f_(f) {}
    int question(const QString& caption, const QString& text, const QStringList& buttons) override {
        Q_UNUSED(text);
        const int answer = f_.nextAnswer();
        f_.record(
            QStringLiteral("question %1 [%2] -> %3").arg(caption, buttons.join(u'|')).arg(answer));
        return answer;
    }
    void message(const QString& caption, const QString& text) override {
        f_.record(QStringLiteral("message %1: %2").arg(caption, text));
    }

private:
    FakePlatform& f_;
};

class FakeShell final : public Shell {
public:
    explicit FakeShell(FakePlatform& f) : f_(f) {}
    bool openFolder(const QString& path) override {
        f_.record(QStringLiteral("openFolder ") + path);
        return true;
    }

private:
    FakePlatform& f_;
};

class FakeProcessControl final : public ProcessControl {
public:
    explicit FakeProcessControl(FakePlatform& f) : f_(f) {}
    void exitProcess(int code) override { f_.record(QStringLiteral("exitProcess %1").arg(code)); }

private:
    FakePlatform& f_;
};

} // namespace

struct FakePlatform::Impl {
    explicit Impl(FakePlatform& f) : environment(f), dialogs(f), shell(f), process(f) {}
    FakeEnvironment environment;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeProcessControl process;
};

FakePlatform::FakePlatform()
    : impl_(std::make_unique<Impl>(*this)),
      platform_(std::make_unique<Platform>(
          Platform{impl_->environment, impl_->dialogs, impl_->shell, impl_->process})) {}

FakePlatform::~FakePlatform() = default;

Platform FakePlatform::platformWith(Environment& environment) {
    return Platform{environment, impl_->dialogs, impl_->shell, impl_->process};
}

int FakePlatform::nextAnswer() {
    if (answers_.empty()) return -1;
    const int a = answers_.front();
    answers_.pop_front();
    return a;
}

} // namespace lorvanta::platform
