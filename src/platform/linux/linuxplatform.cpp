#include "linuxplatform.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <pwd.h>
#include <unistd.h>

extern char** environ;

namespace lorvanta::platform {

namespace {

QString withSlash(QString path) {
    if (!path.endsWith(u'/')) path += u'/';
    return path;
}

class LinuxEnvironment final : public Environment {
public:
    QString programFolder() const override {
        const QFileInfo exe(QStringLiteral("/proc/self/exe"));
        return withSlash(QFileInfo(exe.canonicalFilePath()).absolutePath());
    }

    QString configFolder() const override {
        // An XDG base directory that is not absolute is invalid and must be ignored.
        const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (xdg.startsWith(u'/')) return xdg;
        const QString home = homeFolder();
        return home.isEmpty() ? QString() : home + QStringLiteral("/.config");
    }

    QString homeFolder() const override {
        const QString home = qEnvironmentVariable("HOME");
        if (!home.isEmpty()) return home;
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            return QString::fromLocal8Bit(pw->pw_dir);
        return {};
    }

    std::optional<QString> variable(const QString& name) const override {
        if (name.isEmpty()) return std::nullopt;
        const QByteArray exact = name.toLocal8Bit();
        if (const char* v = ::getenv(exact.constData())) return QString::fromLocal8Bit(v);
        for (char** e = environ; e && *e; ++e) {
            const QString entry = QString::fromLocal8Bit(*e);
            const qsizetype eq = entry.indexOf(u'=');
            if (eq > 0 && QStringView(entry).first(eq).compare(name, Qt::CaseInsensitive) == 0)
                return entry.mid(eq + 1);
        }
        return std::nullopt;
    }

    QStringList searchPath() const override {
        return qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
    }
};

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
};

LinuxPlatform::LinuxPlatform()
    : impl_(std::make_unique<Impl>()),
      platform_(std::make_unique<Platform>(
          Platform{impl_->environment, impl_->dialogs, impl_->shell, impl_->process})) {}

LinuxPlatform::~LinuxPlatform() = default;

} // namespace lorvanta::platform
