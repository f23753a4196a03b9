#include "expansion.h"

#include "core/ini/textcodec.h"
#include "core/keywords/exeword.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/setup.h"
#include "core/text/envexpand.h"
#include "core/text/richtext.h"
#include "core/text/textkinds.h"
#include "core/util/seams.h"
#include "platform/environment.h"
#include "platform/system.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace lorvanta {

using namespace Qt::StringLiterals;

namespace {

constexpr auto CI = Qt::CaseInsensitive;

// A day is far past any sensible wait and keeps sums of huge tokens in range.
constexpr qint64 kMaxWaitMs = 86'400'000;
// A text template is typed or pasted; more than this is a mistake, not text.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
// Bounds the {NOTE}/{FILE} rounds, so a file that includes itself ends.
constexpr int kMaxBlockRounds = 20;
constexpr qint64 kIpCacheMs = 50'000;
constexpr int kTypingWaitMs = 700;
const QString kCrLf = u"\r\n"_s;

// The program's version, in four numbers.
constexpr QStringView kVersion = u"2.5.2.0";

// A positive whole number, saturated at `cap`; nothing for anything else.
std::optional<qint64> positiveNumber(QStringView digits, qint64 cap) {
    if (digits.isEmpty()) return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = std::min(cap, value * 10 + (c.unicode() - u'0'));
    }
    if (value <= 0) return std::nullopt;
    return value;
}

// Removes the first token that begins with `start` and runs to the next "$",
// with every copy of it.
void removeFirstToken(QString& text, QStringView start) {
    const qsizetype open = text.indexOf(start, 0, CI);
    if (open < 0) return;
    const qsizetype close = text.indexOf(u'$', open + start.size());
    if (close < 0) return;
    const QString token = text.mid(open, close + 1 - open);
    text.replace(token, QString(), CI);
}

// The number of the first `start`...n$ token with a positive n.
std::optional<qint64> numberedToken(const QString& text, QStringView start) {
    for (qsizetype at = text.indexOf(start, 0, CI); at >= 0; at = text.indexOf(start, at + 1, CI)) {
        const qsizetype from = at + start.size();
        const qsizetype close = text.indexOf(u'$', from);
        if (close < 0) break;
        if (auto n = positiveNumber(QStringView(text).sliced(from, close - from), kMaxWaitMs))
            return n;
    }
    return std::nullopt;
}

QString withoutLineBreaks(QString text) {
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

// A cut that fell inside a character would decode to garbage at the end.
void dropPartialCharacter(QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        if (bytes.size() % 2) bytes.chop(1);
        return;
    }
    qsizetype lead = bytes.size() - 1;
    while (lead >= 0 && bytes.size() - lead < 4 && (uchar(bytes[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead < 0) return;
    const auto b = uchar(bytes[lead]);
    const qsizetype need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (bytes.size() - lead < need) bytes.truncate(lead);
}

// A file's text, at most kMaxFileBytes of it; nothing when it is no file.
std::optional<QString> readTextFile(const QString& path, ExpansionServices& services) {
    if (!QFileInfo(path).isFile()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) {
        bytes.truncate(kMaxFileBytes);
        dropPartialCharacter(bytes);
        services.toast(u"File too large: "_s + path);
    }
    return decodeText(bytes);
}

// The build's own date in the traditional "22Nov2026" form.
QString buildDate() {
    const QStringList parts = QString::fromLatin1(__DATE__).split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 3) return QString();
    return parts[1].rightJustified(2, u'0') + parts[0] + parts[2];
}

} // namespace

Expander::Expander(const Setup& setup, const KeywordStore& store, const platform::Environment& env,
                   platform::System& system, ExpansionServices& services, const Clock& clock,
                   Random& random)
    : setup_(setup), store_(store), env_(env), system_(system), services_(services), clock_(clock),
      random_(random) {}

QString Expander::ExpandBasic(const QString& text, bool strip) const {
    QString out = text.contains(u'%') ? expandEnvironmentVariables(text, env_) : text;
    if (out.contains(u'$')) {
        // There are no drive letters here: "$D$" names nothing.
        out.replace(u"$d$"_s, u"$D$"_s);
        out.remove(u"$D$"_s);
        QString folder = env_.programFolder();
        if (folder.endsWith(u'/')) folder.chop(1);
        out.replace(u"$h$"_s, u"$H$"_s);
        out.replace(u"$H$"_s, folder);
    }
    if (!strip) return out;

    static const QString kCapture[] = {u"$GRABTOINPUT$"_s,       u"$GRABTOLIST$"_s,
                                       u"$GRABTOLISTNOFOCUS$"_s, u"$URLTOINPUT$"_s,
                                       u"$URLTOLIST$"_s,         u"$URLTOLISTNOFOCUS$"_s};
    for (const QString& m : kCapture)
        out.remove(m);
    if (out.contains(u"$B"_s)) {
        static const QString kBrowser[] = {u"$BROWSER$"_s,
                                           u"$B$"_s,
                                           u"$BN$"_s,
                                           u"$BROWSERNOFOCUS$"_s,
                                           u"$BROWSERFLUSHALL$"_s,
                                           u"$BROWSERFLUSHCURRENT$"_s,
                                           u"$BROWSEREND$"_s,
                                           u"$BROWSERCLEAR$"_s,
                                           u"$BROWSERTOGGLE$"_s,
                                           u"$BCONNECT$"_s,
                                           u"$BSETFOCUS$"_s,
                                           u"$BNEWWIN$"_s,
                                           u"$BNEWFULL$"_s,
                                           u"$BNORELOAD$"_s};
        for (const QString& m : kBrowser)
            out.remove(m);
        TakeBlock(out, u"$BCLICK$"_s);
    }
    static const QString kOthers[] = {u"$CLR$"_s,   u"$C$"_s,     u"$CU$"_s, u"$M$"_s,
                                      u"$R$"_s,     u"$W$"_s,     u"$GW$"_s, u"$EXIT$"_s,
                                      u"$ASYNC$"_s, u"$NOHIDE$"_s};
    for (const QString& m : kOthers)
        out.remove(m);
    TakeBlock(out, u"$SOUND$"_s);
    return out;
}

QString Expander::SubstituteParameters(const QString& tmpl, const QString& parameters, bool full) {
    QString text = tmpl;
    text.replace(u"$p$"_s, u"$P$"_s);
    text.replace(u"{BR}"_s, kCrLf);
    text.replace(u"$P$"_s, parameters);
    text.replace(u"$u$"_s, u"$U$"_s);
    if (text.contains(u"$U$"_s)) text.replace(u"$U$"_s, urlEncode(parameters));

    const bool words = text.contains(u"$p"_s, CI);
    const bool encodedWords = text.contains(u"$u"_s, CI);
    if (words || encodedWords) {
        const QStringList list = parameterWords(parameters);
        // The closing "$" keeps "$P1$" from matching the start of "$P10$".
        for (int n = 1; n <= 10 && words; ++n)
            text.replace(u"$p"_s + QString::number(n) + u'$', list.value(n - 1), CI);
        for (int n = 1; n <= 10 && encodedWords; ++n)
            text.replace(u"$u"_s + QString::number(n) + u'$', urlEncode(list.value(n - 1)), CI);
    }

    text.remove(u"$i$"_s, CI);

    if (text.contains(u"$ps"_s, CI) || text.contains(u"$pp"_s, CI)) {
        text.remove(u"$ps$"_s, CI);
        text.remove(u"$pse$"_s, CI);
        removeFirstToken(text, u"$PSE");
        removeFirstToken(text, u"$PS");
        text.remove(u"$pp$"_s, CI);
        text.remove(u"$ppe$"_s, CI);
        removeFirstToken(text, u"$PPE");
        removeFirstToken(text, u"$PP");
    }

    text = ApplyDefaultBlock(text, parameters);
    if (!full) return text;

    if (text.contains(u"$c"_s, CI)) {
        if (text.contains(u"$c$"_s, CI) || text.contains(u"$cu$"_s, CI)) {
            const QString clip = withoutLineBreaks(services_.clipboardText().trimmed());
            if (!clip.isEmpty()) services_.setClipboardText(clip);
            text.replace(u"$c$"_s, clip, CI);
            text.replace(u"$cu$"_s, urlEncode(clip), CI);
        }
        if (text.contains(u"$cc$"_s, CI) || text.contains(u"$ccu$"_s, CI)) {
            const QString grabbed = CopyAndExecute({}, {}, true, false, CopyKind::cc);
            text.replace(u"$cc$"_s, grabbed, CI);
            text.replace(u"$ccu$"_s, urlEncode(grabbed), CI);
        }
        if (text.contains(u"$cx$"_s, CI))
            text = CopyAndExecute({}, text, false, false, CopyKind::cx);
        if (text.contains(u"$ce$"_s, CI))
            text.replace(u"$ce$"_s,
                         CopyAndExecute({}, {}, false, setup_.cefilefolders, CopyKind::ce), CI);
        if (text.contains(u"$ci$"_s, CI))
            text.replace(u"$ci$"_s, CopyAndExecute({}, {}, false, true, CopyKind::ci), CI);
        if (TakeMarker(text, u"$copy$"_s)) services_.copyAction();
        if (TakeMarker(text, u"$cut$"_s)) services_.cutAction();
    }
    if (TakeMarker(text, u"$paste$"_s)) services_.pasteAction();
    text = ApplyInlineMarkers(text, false);
    return InjectNotes(text);
}

QString Expander::ApplyDefaultBlock(const QString& text, const QString& parameters) {
    if (!text.contains(u"$DEF$"_s, CI)) return text;
    QString out = text;
    out.replace(u"$DEF$"_s, u"$DEF$"_s, CI);
    const qsizetype open = out.indexOf(u"$DEF$"_s);
    const qsizetype close = out.indexOf(u"$DEF$"_s, open + 5);
    // A lone marker opens no block: it is dropped, the text kept.
    if (close < 0) return out.remove(open, 5);
    if (parameters.isEmpty()) return out.mid(open + 5, close - open - 5);
    return out.remove(open, close + 5 - open);
}

QString Expander::ApplyInlineMarkers(const QString& text, bool removeP) {
    struct Inline {
        QString lower, upper;
        void (ExpansionServices::*action)();
    };
    static const Inline kMarkers[] = {
        {u"$m$"_s, u"$M$"_s, &ExpansionServices::minimizeAll},
        {u"$r$"_s, u"$R$"_s, &ExpansionServices::undoMinimizeAll},
        {u"$clr$"_s, u"$CLR$"_s, &ExpansionServices::clearInput},
        {u"$gw$"_s, u"$GW$"_s, &ExpansionServices::rememberForegroundWindow},
    };
    QString out = text;
    for (const Inline& m : kMarkers) {
        out.replace(m.lower, m.upper);
        if (!out.contains(m.upper)) continue;
        out.remove(m.upper);
        (services_.*m.action)();
    }
    if (const auto sound = TakeBlock(out, u"$SOUND$"_s)) {
        const QString path = sound->trimmed();
        if (!path.isEmpty()) services_.playSound(path);
    }
    if (removeP) {
        out.replace(u"$p$"_s, u"$P$"_s);
        out.remove(u"$P$"_s);
    }
    return out;
}

int Expander::TakeWaitMarkers(QString& text) {
    text.replace(u"$w$"_s, u"$W$"_s);
    qint64 total = text.count(u"$W$"_s);
    text.remove(u"$W$"_s);
    qsizetype at = text.indexOf(u"$W"_s, 0, CI);
    while (at >= 0) {
        const qsizetype close = text.indexOf(u'$', at + 2);
        if (close < 0) break;
        QString content = text.mid(at + 2, close - at - 2).toUpper();
        const bool milliseconds = content.endsWith(u"MS"_s);
        if (milliseconds) content.chop(2);
        if (const auto n = positiveNumber(content, kMaxWaitMs)) {
            total = std::min(kMaxWaitMs, total + (milliseconds ? *n : *n * 1000));
            text.remove(at, close + 1 - at);
        } else {
            // A window command such as $WOPEN$: not ours, look past it.
            ++at;
        }
        at = text.indexOf(u"$W"_s, at, CI);
    }
    return int(std::min(total, kMaxWaitMs));
}

int Expander::TakeTypingMarkers(const QString& text, int& kind) {
    kind = 0;
    if (!text.contains(u"$PS"_s, CI) && !text.contains(u"$PP"_s, CI)) return 0;
    qint64 wait = 0;
    const auto use = [&](qint64 ms, int k) { wait = ms, kind = k; };
    if (text.contains(u"$PS$"_s, CI)) use(kTypingWaitMs, 0);
    if (text.contains(u"$PSE$"_s, CI)) use(kTypingWaitMs, 1);
    if (const auto n = numberedToken(text, u"$PSE"))
        use(*n, 1);
    else if (const auto n = numberedToken(text, u"$PS"))
        use(*n, kind);
    if (text.contains(u"$PP$"_s, CI)) use(kTypingWaitMs, 2);
    if (text.contains(u"$PPE$"_s, CI)) use(kTypingWaitMs, 3);
    if (const auto n = numberedToken(text, u"$PPE"))
        use(*n, 3);
    else if (const auto n = numberedToken(text, u"$PP"))
        use(*n, 2);
    return int(wait);
}

bool Expander::TakeMarker(QString& text, const QString& marker) {
    if (!text.contains(marker, CI)) return false;
    text.remove(marker, CI);
    return true;
}

QString Expander::CommandPath(const QString& command, const QString& parameters) {
    return ExpandBasic(SubstituteParameters(command, parameters, false), true);
}

std::optional<QString> Expander::TakeBlock(QString& text, const QString& marker) {
    // The marker counts as written or all in lower case; the first two
    // occurrences make the block.
    const QString lower = marker.toLower();
    const auto next = [&](qsizetype from) {
        const qsizetype upper = text.indexOf(marker, from);
        const qsizetype low = text.indexOf(lower, from);
        return upper < 0 ? low : low < 0 ? upper : std::min(upper, low);
    };
    const qsizetype open = next(0);
    if (open < 0) return std::nullopt;
    const qsizetype from = open + marker.size();
    const qsizetype close = next(from);
    if (close < 0) return std::nullopt;
    QString inner = text.mid(from, close - from);
    text.remove(open, close + marker.size() - open);
    return inner;
}

QString Expander::GrabSelection(bool cut, bool allowFiles) {
    return services_.grabSelection(cut, allowFiles);
}

QString Expander::CopyAndExecute(const QString& given, const QString& tmpl, bool raw,
                                 bool allowFiles, CopyKind kind) {
    QString selection = given;
    if (selection.isEmpty()) {
        if (services_.inputWindowActive()) {
            selection = services_.inputSelectedText();
            if (!selection.isEmpty()) services_.setClipboardText(selection);
        } else {
            selection = GrabSelection(false, allowFiles);
        }
    }
    // Raw grabs are inserted into a command line: no placeholder, no input box.
    if (raw) return selection;

    const auto addressLike = [](const QString& t) {
        return isUrl(t) || looksLikeFilePath(t) || isBareDomain(t);
    };
    QString result = selection;
    if (selection.isEmpty() || addressLike(selection) || kind == CopyKind::ci) {
        if (kind != CopyKind::ci && isBareDomain(selection)) result = u"https://"_s + selection;
    } else if (kind == CopyKind::cx) {
        result = tmpl;
        result.replace(u"$cx$"_s, selection, CI);
        return result;
    } else if (kind == CopyKind::ce) {
        const TExeWord* search = store_.FindKeyword(setup_.fastsearch, true);
        if (search && !search->command.contains(u"$ce$"_s, CI))
            result = SubstituteParameters(ExpandBasic(search->command, true), selection, false);
    }

    if (result.isEmpty() && allowFiles) {
        const QStringList files = services_.clipboardFiles();
        if (!files.isEmpty()) {
            services_.putInInput(files.first(), false);
            services_.clearClipboard();
        }
    } else if (kind == CopyKind::ci && !result.isEmpty()) {
        services_.putInInput(result, !addressLike(result));
        result.clear();
    }
    return result.isEmpty() ? kNothingToRun : result;
}

QString Expander::InjectNotes(const QString& text) {
    QString out = text;
    QStringList missing;
    qsizetype at = 0;
    while ((at = out.indexOf(u"$N"_s, at, CI)) >= 0) {
        const QStringView rest = QStringView(out).sliced(at);
        bool encode = false;
        qsizetype nameStart = 0;
        if (rest.startsWith(u"$NU ", CI)) {
            encode = true;
            nameStart = at + 4;
        } else if (rest.startsWith(u"$N ", CI)) {
            nameStart = at + 3;
        } else {
            at += 2;
            continue;
        }
        const qsizetype close = out.indexOf(u'$', nameStart);
        if (close < 0) break;
        const QString name = out.mid(nameStart, close - nameStart).trimmed();
        QString replacement;
        if (!name.isEmpty()) {
            if (const auto note = services_.noteText(name))
                replacement = encode ? urlEncode(*note) : *note;
            else if (!missing.contains(name, CI))
                missing.append(name);
        }
        out.replace(at, close + 1 - at, replacement);
        // Past the inserted text: a note that names itself is not read again.
        at += replacement.size();
    }
    if (missing.size() == 1)
        services_.toast(u"Note not found: "_s + missing.first());
    else if (missing.size() > 1)
        services_.toast(u"Notes not found: "_s + missing.join(u", "_s));
    else if (text.contains(u"$N $"_s, CI) || text.contains(u"$NU $"_s, CI))
        services_.toast(u"Note tag without a note name"_s);
    return out;
}

TextTemplate Expander::ExpandTextTemplate(const QString& text, const TExeWord* keyword,
                                          bool paste) {
    TextTemplate result;
    QString out = text;
    if (keyword) {
        const QString substituted = SubstituteParameters(keyword->parameters, text, false);
        if (!substituted.isEmpty()) out = substituted;
    }
    const auto blockPath = [&](qsizetype from, qsizetype close) {
        return expandTilde(ExpandBasic(out.mid(from, close - from).trimmed(), false),
                           env_.homeFolder());
    };

    out.replace(u"{note "_s, u"{NOTE "_s, CI);
    for (int round = 0; round < kMaxBlockRounds; ++round) {
        const qsizetype open = out.indexOf(u"{NOTE "_s);
        const qsizetype close = open < 0 ? -1 : out.indexOf(u'}', open + 6);
        if (close < 0) break;
        const QString name = out.mid(open + 6, close - open - 6).trimmed();
        out.remove(open, close + 1 - open);
        if (const auto file = services_.noteFile(name))
            out.insert(open, u"{FILE "_s + *file + u'}');
    }

    out.replace(u"{rich "_s, u"{RICH "_s, CI);
    if (const qsizetype open = out.indexOf(u"{RICH "_s); open >= 0) {
        if (const qsizetype close = out.indexOf(u'}', open + 6); close >= 0) {
            const QString path = blockPath(open + 6, close);
            out.remove(open, close + 1 - open);
            if (!QFileInfo(path).isFile())
                services_.toast(u"Rich text file not found: "_s + path);
            else if (paste)
                result.richFile = path;
            else if (const auto rich = readTextFile(path, services_))
                out.insert(open, richToPlain(*rich, path));
        }
    }

    out.replace(u"{file "_s, u"{FILE "_s, CI);
    for (int round = 0; round < kMaxBlockRounds; ++round) {
        const qsizetype open = out.indexOf(u"{FILE "_s);
        const qsizetype close = open < 0 ? -1 : out.indexOf(u'}', open + 6);
        if (close < 0) break;
        const QString path = blockPath(open + 6, close);
        out.remove(open, close + 1 - open);
        if (const auto contents = readTextFile(path, services_)) out.insert(open, *contents);
    }

    out.replace(u"{BR}"_s, kCrLf);

    if (out.contains(u"$TIME$"_s, CI) || out.contains(u"$SHOWIP$"_s, CI) ||
        out.contains(u"$PASSWORD$"_s, CI)) {
        if (out.contains(u"$TIME$"_s))
            out.replace(u"$TIME$"_s, timeText(clock_.now(), setup_.customtime, QLocale()));
        if (out.contains(u"$SHOWIP$"_s))
            out.replace(u"$SHOWIP$"_s, system_.ipv4Addresses().join(u", "_s));
        // A fresh password for every marker.
        const QString marker = u"$PASSWORD$"_s;
        for (qsizetype at = out.indexOf(marker); at >= 0; at = out.indexOf(marker, at)) {
            const QString password = generatePassword(16, true, random_);
            out.replace(at, marker.size(), password);
            at += password.size();
        }
    }

    std::optional<QStringList> clips;
    for (int n = 1; n <= 4; ++n) {
        const QString marker = u"$PASTE"_s + QString::number(n) + u'$';
        if (!out.contains(marker, CI)) continue;
        if (!clips) clips = services_.newestClips(4);
        if (clips->size() >= n) out.replace(marker, clips->at(n - 1));
    }

    result.text = out;
    return result;
}

QString Expander::ExpandInfoLine(const QString& tmpl) {
    QString out = tmpl;
    const QDateTime now = clock_.now();
    const QLocale locale;

    if (out.contains(u"$mpct$"_s) || out.contains(u"$mfree$"_s) || out.contains(u"$mused$"_s) ||
        out.contains(u"$mtotal$"_s)) {
        const platform::MemoryInfo memory = system_.memory().value_or(platform::MemoryInfo{});
        const quint64 total = memory.totalBytes;
        const quint64 available = std::min(memory.availableBytes, total);
        const quint64 used = total - available;
        constexpr quint64 kMiB = 1048576;
        out.replace(u"$mpct$"_s, QString::number(total ? used * 100 / total : 0) + u'%');
        out.replace(u"$mfree$"_s, QString::number(available / kMiB) + u"MB"_s);
        out.replace(u"$mused$"_s, QString::number(used / kMiB) + u"MB"_s);
        out.replace(u"$mtotal$"_s, QString::number(total / kMiB) + u"MB"_s);
    }

    const qint64 ms = now.toMSecsSinceEpoch();
    const auto stale = [ms](qint64 at) { return at < 0 || ms < at || ms - at > kIpCacheMs; };
    if (out.contains(u"$ip$"_s)) {
        if (stale(ipAt_)) {
            ipCache_ = system_.ipv4Addresses().join(u", "_s);
            ipAt_ = ms;
        }
        out.replace(u"$ip$"_s, ipCache_);
    }
    if (out.contains(u"$ip1$"_s)) {
        if (stale(ip1At_)) {
            ip1Cache_ = system_.ipv4Addresses().value(0);
            ip1At_ = ms;
        }
        out.replace(u"$ip1$"_s, ip1Cache_);
    }

    if (out.contains(u"$dd$"_s))
        out.replace(u"$dd$"_s, formatDateTime(now, u"t, ddd. dd-mm-yyyy"_s, locale));
    if (out.contains(u"$ddd$"_s))
        out.replace(u"$ddd$"_s, formatDateTime(now, u"t, dddd dd. mmmm yyyy"_s, locale));
    out.replace(u"$wnum$"_s, QString::number(now.date().weekNumber()));
    if (out.contains(u"$v$"_s)) out.replace(u"$v$"_s, kVersion + u" Build date: "_s + buildDate());
    if (out.contains(u"$ct$"_s))
        out.replace(u"$ct$"_s, formatDateTime(now, setup_.infocustomtime, locale));

    if (out.isEmpty())
        return u"Show info error: Cannot be empty, check Settings > Misc > Show info"_s;
    return out;
}

QString Expander::enrichLazyUrl(const QString& url) {
    const QString trimmed = url.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(u":/"_s) || looksLikeFilePath(trimmed))
        return trimmed;
    return u"https://"_s + trimmed;
}

} // namespace lorvanta
