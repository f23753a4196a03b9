#include "linuxplatform.h"

#include "linuxenvironment.h"
#include "linuxlauncher.h"
#include "linuxsystem.h"
#include "portalhotkeys.h"
#include "x11desktop.h"
#include "x11hotkeys.h"
#include "x11keywatch.h"

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

// The window in front through the X server (also under XWayland, for X
// clients only); a Wayland session without it has none.
class LinuxWindowFocus final : public WindowFocus {
public:
    WindowHandle activeWindow() override { return desktop_.activeWindow(); }
    bool activate(WindowHandle window) override {
        // X window ids have 32 bits; a larger handle names no X window.
        if (window > 0xFFFFFFFFu || !desktop_.exists(WindowId(window))) return false;
        desktop_.activate(WindowId(window));
        return true;
    }
    std::optional<QRect> geometry(WindowHandle window) override {
        if (window > 0xFFFFFFFFu) return std::nullopt;
        return desktop_.geometry(WindowId(window));
    }
    void present(WindowHandle own, quint32 timestamp) override {
        if (own > 0xFFFFFFFFu) return;
        desktop_.activate(WindowId(own), timestamp);
    }

private:
    X11Desktop desktop_;
};

} // namespace

struct LinuxPlatform::Impl {
    LinuxEnvironment environment;
    LinuxDialogs dialogs;
    LinuxShell shell;
    LinuxProcessControl process;
    LinuxLauncher launcher;
    LinuxSystem system;
    LinuxWindowFocus focus;
    X11Hotkeys x11Hotkeys;
    // A Wayland session's portal when it offers one, X11 grabs otherwise.
    std::unique_ptr<PortalHotkeys> portal =
        PortalHotkeys::offered() ? std::make_unique<PortalHotkeys>(x11Hotkeys) : nullptr;
    GlobalHotkeys& hotkeys() { return portal ? static_cast<GlobalHotkeys&>(*portal) : x11Hotkeys; }
    X11KeyWatch keys;
};

LinuxPlatform::LinuxPlatform()
    : impl_(std::make_unique<Impl>()),
      platform_(std::make_unique<Platform>(
          Platform{impl_->environment, impl_->dialogs, impl_->shell, impl_->process,
                   impl_->launcher, impl_->system, impl_->focus, impl_->hotkeys(), impl_->keys})) {}

LinuxPlatform::~LinuxPlatform() = default;

} // namespace lorvanta::platform
