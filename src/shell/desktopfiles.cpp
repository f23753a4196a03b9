#include "desktopfiles.h"

#include "core/ini/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace lorvanta {

namespace {

// Marks the entries this program wrote: only those are ever removed, so an
// entry the user made under the same name (a desktop's autostart settings
// copy the application's entry) stays.
const QString kOwnMark = QStringLiteral("X-Lorvanta-Managed=true\n");

bool ownEntry(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll().contains(kOwnMark.toUtf8());
}

IoStatus writeEntry(const QString& path, const QString& text) {
    const QByteArray bytes = (text + kOwnMark).toUtf8();
    // Start-up applies the settings every time: an entry that is right stays untouched.
    if (QFile f(path); f.open(QIODevice::ReadOnly) && f.readAll() == bytes) return {};
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return IoStatus::failure(IoStatus::Code::OpenFailed,
                                 path + QStringLiteral(": the folder cannot be created"));
    return writeFileAtomically(path, bytes);
}

IoStatus removeEntry(const QString& path) {
    if (!QFile::exists(path) || !ownEntry(path) || QFile::remove(path)) return {};
    return IoStatus::failure(IoStatus::Code::WriteFailed,
                             path + QStringLiteral(": cannot be removed"));
}

} // namespace

QString quoteExecArgument(const QString& arg) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString out;
    bool quote = arg.isEmpty();
    for (const QChar c : arg) {
        if (reserved.contains(c)) quote = true;
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') out += u'\\';
        out += c == u'%' ? QStringLiteral("%%") : QString(c);
    }
    if (quote) out = u'"' + out + u'"';
    // The value itself is a string of the key file, where "\" is escaped once more.
    out.replace(u'\\', QStringLiteral("\\\\"));
    return out;
}

QString autostartEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/lorvanta.desktop");
}

QString openWithEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/applications/lorvanta-open.desktop");
}

IoStatus writeAutostartEntry(const QString& program) {
    return writeEntry(autostartEntryPath(), QStringLiteral("[Desktop Entry]\n"
                                                           "Type=Application\n"
                                                           "Name=Lorvanta\n"
                                                           "Comment=Keyboard launcher\n"
                                                           "Exec=") +
                                                quoteExecArgument(program) +
                                                QStringLiteral(" -s\n"
                                                               "Terminal=false\n"
                                                               "X-GNOME-Autostart-enabled=true\n"));
}

IoStatus removeAutostartEntry() {
    return removeEntry(autostartEntryPath());
}

IoStatus writeOpenWithEntry(const QString& program) {
    // %F, as Send To did: every chosen item arrives as an argument and the
    // first one counts, so choosing several starts the launcher only once.
    return writeEntry(openWithEntryPath(),
                      QStringLiteral("[Desktop Entry]\n"
                                     "Type=Application\n"
                                     "Name=Lorvanta\n"
                                     "GenericName=Open with Lorvanta\n"
                                     "Comment=Make a Lorvanta keyword of this file or folder\n"
                                     "Exec=") +
                          quoteExecArgument(program) +
                          QStringLiteral(" %F\n"
                                         "Terminal=false\n"
                                         "NoDisplay=true\n"
                                         "MimeType=application/octet-stream;inode/directory;"
                                         "text/plain;\n"));
}

IoStatus removeOpenWithEntry() {
    return removeEntry(openWithEntryPath());
}

IoStatus setAutostart(bool on, const QString& program) {
    return on ? writeAutostartEntry(program) : removeAutostartEntry();
}

IoStatus setOpenWithEntry(bool on, const QString& program) {
    return on ? writeOpenWithEntry(program) : removeOpenWithEntry();
}

} // namespace lorvanta
