#include "linuxplatform.h"

#include "linuxenvironment.h"
#include "linuxlauncher.h"
#include "linuxsystem.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <unistd.h>

namespace lorvanta::platform {

namespace {

class LinuxDialogs final : public Dialogs {
public:
    int question(const QString& caption, const QString& text, const QStringList& buttons) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return -1;
        QMessageBox box(QMessageBox::Warning, caption, text);
        QList<QAbstractButton*> made;
        for (const QString& b : buttons)
            made.append(box.addButton(b, QMessageBox::AcceptRole));
        box.exec();
        return int(made.indexOf(box.clickedButton()));
    }

    void message(const QString& caption, const QString& text) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            qWarning("%s: %s", qPrintable(caption), qPrintable(text));
            return;
        }
        QMessageBox::warning(nullptr, caption, text);
    }
};

class LinuxShell final : public Shell {
public:
    bool openFolder(const QString& path) override {
        return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
    }
};

class LinuxProcessControl final : public ProcessControl {
public:
    void exitProcess(int code) override { ::_exit(code); }
};

} // namespace

struct LinuxPlatform::Impl {
    LinuxEnvironment environment;
    LinuxDialogs dialogs;
    LinuxShell shell;
    LinuxProcessControl process;
    LinuxLauncher launcher;
    LinuxSystem system;
};

LinuxPlatform::LinuxPlatform()
    : impl_(std::make_unique<Impl>()),
      platform_(
          std::make_unique<Platform>(Platform{impl_->environment, impl_->dialogs, impl_->shell,
                                              impl_->process, impl_->launcher, impl_->system})) {}

LinuxPlatform::~LinuxPlatform() = default;

} // namespace lorvanta::platform
