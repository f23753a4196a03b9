#include "desktopservices.h"

#include "core/list/candidatelist.h"

#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QMimeData>
#include <QUrl>

namespace lorvanta {

QString DesktopExpansionServices::clipboardText() {
    return QGuiApplication::clipboard()->text();
}

void DesktopExpansionServices::setClipboardText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

QStringList DesktopExpansionServices::clipboardFiles() {
    QStringList files;
    if (const QMimeData* m = QGuiApplication::clipboard()->mimeData())
        for (const QUrl& u : m->urls())
            if (u.isLocalFile()) files.append(u.toLocalFile());
    return files;
}

void DesktopExpansionServices::clearClipboard() {
    QGuiApplication::clipboard()->clear();
}

QString DesktopExpansionServices::grabSelection(bool, bool) {
    // Copying from the window in front needs synthetic keys, which come with
    // the text commands; the primary selection is what X offers meanwhile.
    return QGuiApplication::clipboard()->text(QClipboard::Selection).trimmed();
}

bool DesktopExpansionServices::inputWindowActive() {
    return QApplication::activeWindow() != nullptr;
}

void DesktopExpansionServices::putInInput(const QString& text, bool) {
    if (host_) host_->setNewWord(text);
}
void DesktopExpansionServices::clearInput() {
    putInInput(QString(), false);
}
void DesktopExpansionServices::toast(const QString& text) {
    if (host_) host_->toast(text);
}

void DesktopExpansionServices::rememberForegroundWindow() {
    if (previous_) previous_->remember();
}

void DesktopExpansionServices::unavailable(const QString& what) {
    toast(what + QStringLiteral(" is not available yet"));
}

namespace {

// The feature each minus command belongs to, as the user knows it, with its verb.
QString minusFeature(const QString& word) {
    static const QHash<QString, QString> features = {
        {QStringLiteral("-s"), QStringLiteral("The settings dialog is")},
        {QStringLiteral("-skin"), QStringLiteral("Skins are")},
        {QStringLiteral("-k"), QStringLiteral("The keyword editor is")},
        {QStringLiteral("-a"), QStringLiteral("Adding keywords from the input is")},
        {QStringLiteral("-ab"), QStringLiteral("The about page is")},
        {QStringLiteral("-x"), QStringLiteral("Closing the launcher from the input is")},
        {QStringLiteral("-?"), QStringLiteral("The online help is")},
        {QStringLiteral("-n"), QStringLiteral("Notes are")},
        {QStringLiteral("-an"), QStringLiteral("Notes are")},
        {QStringLiteral("-i"), QStringLiteral("Keyword import is")},
        {QStringLiteral("-if"), QStringLiteral("Keyword import is")},
        {QStringLiteral("-is"), QStringLiteral("Keyword import is")},
        {QStringLiteral("-export"), QStringLiteral("Keyword export is")},
        {QStringLiteral("-v"), QStringLiteral("The version line is")},
        {QStringLiteral("-m"), QStringLiteral("Opening the menu from the input is")},
        {QStringLiteral("-p"), QStringLiteral("Plugins are")},
        {QStringLiteral("-pf"), QStringLiteral("Plugins are")},
        {QStringLiteral("-edit"), QStringLiteral("Editing the settings file is")},
        {QStringLiteral("-folder"), QStringLiteral("Opening the data folder from the input is")},
        {QStringLiteral("-exefolder"),
         QStringLiteral("Opening the program folder from the input is")},
        {QStringLiteral("-report"), QStringLiteral("The report file is")},
        {QStringLiteral("-c"), QStringLiteral("The update check is")},
    };
    return features.value(word, QStringLiteral("This command is"));
}

} // namespace

bool DesktopExecutionServices::CheckMinusCommand(const QString& line) {
    const QString word = minusCommandOf(line);
    if (!host_ || word.isEmpty()) return false;
    host_->bringToFront();
    host_->toast(minusFeature(word) + QStringLiteral(" not available yet"));
    return true;
}

} // namespace lorvanta
