#include "entrylist.h"

#include "core/ini/myinifiles.h"

namespace lorvanta {

int EntryList::indexOf(const QString& s) const {
    const QString t = s.trimmed();
    for (int i = 0; i < size(); ++i)
        if (entries_[size_t(i)].text.compare(t, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void EntryList::load(const TMemIniFile& ini) {
    entries_.clear();
    for (const QString& line : ini.ReadSectionValues(section_)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) continue;
        const QString value = line.mid(eq + 1);
        if (value.isEmpty()) continue;
        HistoryEntry e;
        if (IsShellItemText(value)) {
            e.text = ShellItemTag(value, u"exe1");
            if (auto item = ShellItemFromText(value))
                e.item = std::make_unique<TMyShellItem>(std::move(*item));
        } else {
            e.text = DecodeMultiLineValue(value);
        }
        entries_.push_back(std::move(e));
    }
}

void EntryList::save(TMemIniFile& ini, const Setup& setup) const {
    const int n = std::min(savedCount(setup), size());
    for (int i = 0; i < n; ++i) {
        const HistoryEntry& e = entries_[size_t(i)];
        const QString key = prefix_ + QString::number(i);
        if (e.item)
            ini.WriteString(section_, key, ShellItemToText(*e.item));
        else
            ini.WriteMultiLineString(section_, key, e.text);
    }
}

bool incognitoConfigured(const Setup& setup, QStringView letter) {
    return setup.incognitoconfig.contains(letter, Qt::CaseInsensitive) ||
           setup.incognitoconfig.contains(u"all", Qt::CaseInsensitive);
}

bool incognitoSuppresses(const Setup& setup, QStringView letter) {
    return setup.incognito && incognitoConfigured(setup, letter);
}

} // namespace lorvanta
