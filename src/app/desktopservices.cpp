#include "desktopservices.h"

#include "core/exec/executionhost.h"

#include <QApplication>
#include <QClipboard>
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
    host_.setNewWord(text);
}
void DesktopExpansionServices::clearInput() {
    host_.setNewWord(QString());
}
void DesktopExpansionServices::toast(const QString& text) {
    host_.toast(text);
}

void DesktopExpansionServices::unavailable(const QString& what) {
    host_.toast(what + QStringLiteral(" is not available yet"));
}

} // namespace lorvanta
