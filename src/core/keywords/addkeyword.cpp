#include "addkeyword.h"

#include "core/text/programsearch.h"
#include "core/text/textkinds.h"
#include "keywordstore.h"
#include "platform/dialogs.h"
#include "platform/environment.h"

#include <QFileInfo>

namespace lorvanta {

AddKeywordPlan planAddKeyword(const QString& input, const std::optional<FileItemRef>& item,
                              const platform::Environment& env) {
    AddKeywordPlan plan;
    const QString trimmed = input.trimmed();
    if (looksLikeFilePath(trimmed) || isUrl(trimmed))
        plan.command = input;
    else
        plan.command = findProgram(trimmed.section(u' ', 0, 0), env.searchPath());

    if (item) {
        plan.command = item->path;
        plan.name = item->name.toLower().remove(u' ');
        if (QFileInfo::exists(expandTilde(item->path, env.homeFolder()))) {
            plan.action = AddKeywordPlan::Action::Drop;
            plan.dropPath = item->path;
        }
    }
    if (plan.command.isEmpty() && isBareDomain(trimmed))
        plan.command = QStringLiteral("https://") + trimmed;
    return plan;
}

TExeWord& AddNewKeyWord(KeywordStore& store, KeywordEditor& editor, const QString& nam,
                        const QString& defcmd, const QString& param) {
    auto w = std::make_unique<TExeWord>();
    w->keywords = nam.isEmpty() ? QStringLiteral("new...") : nam;
    w->command = defcmd;
    w->parameters = param;
    TExeWord& record = store.append(std::move(w));
    editor.editKeyword(record);
    return record;
}

void keywordEditorClosed(KeywordStore& store, bool autosort, platform::Dialogs& dialogs) {
    if (store.finishEditing(autosort)) dialogs.message(QStringLiteral("Warning"), kNoNameWarning);
    store.rebuildTagList();
}

} // namespace lorvanta
