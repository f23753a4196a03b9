#pragma once

// Starting instance_probe in a private runtime folder of its own, and
// waiting for it while the test's event loop keeps running.

#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace lorvanta::test {

class ProbeRuntime {
public:
    ProbeRuntime() { EXPECT_TRUE(dir_.isValid()); }

    // A 0700 folder of its own, standing in for $XDG_RUNTIME_DIR.
    QString folder() const { return dir_.path(); }

    std::unique_ptr<QProcess> start(const QStringList& args, const QString& workingFolder = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder());
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (!workingFolder.isEmpty()) p->setWorkingDirectory(workingFolder);
        p->start(QStringLiteral(INSTANCE_PROBE), args);
        EXPECT_TRUE(p->waitForStarted(30000)) << p->errorString().toStdString();
        return p;
    }

    static bool finished(const QProcess& p) { return p.state() == QProcess::NotRunning; }
    // Waits for the probe's "ready" line.
    static bool ready(QProcess& p) {
        return waitUntil([&] { return p.canReadLine() || finished(p); }) &&
               p.readLine().trimmed() == "ready";
    }

private:
    QTemporaryDir dir_;
};

} // namespace lorvanta::test
