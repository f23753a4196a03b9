#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace lorvanta {

namespace platform {
class Environment;
class System;
} // namespace platform
struct Setup;
class KeywordStore;
class TExeWord;
class Clock;
class Random;

// What expansion needs from the rest of the launcher: the clipboard, the
// selection of other windows, the input box, notes, toasts and a few inline
// actions. Each subsystem fills its part; tests use a recording fake.
class ExpansionServices {
public:
    virtual ~ExpansionServices() = default;

    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    // Local files on the clipboard (a file list), first one first.
    virtual QStringList clipboardFiles() = 0;
    virtual void clearClipboard() = 0;
    // Copies (or cuts) the selection of the window in front and returns it
    // as text: empty when nothing came, or when a file list came and files
    // are allowed (then clipboardFiles() holds it).
    virtual QString grabSelection(bool cut, bool allowFiles) = 0;
    // Whether the launcher's own input window is the active window, and what
    // is selected in its input box.
    virtual bool inputWindowActive() = 0;
    virtual QString inputSelectedText() = 0;
    // Shows the input window with `text` in the box; the caret goes to the
    // start when `caretToStart`.
    virtual void putInInput(const QString& text, bool caretToStart) = 0;
    virtual void clearInput() = 0;

    // A note by its name (ignoring case): its text, or its file.
    virtual std::optional<QString> noteText(const QString& name) = 0;
    virtual std::optional<QString> noteFile(const QString& name) = 0;
    // The n newest clips of the clipboard history, newest first.
    virtual QStringList newestClips(int count) = 0;

    virtual void toast(const QString& text) = 0;
    virtual void minimizeAll() = 0;
    virtual void undoMinimizeAll() = 0;
    virtual void rememberForegroundWindow() = 0;
    virtual void playSound(const QString& path) = 0;
    virtual void copyAction() = 0;
    virtual void cutAction() = 0;
    virtual void pasteAction() = 0;
};

// The kinds of CopyAndExecute.
enum class CopyKind { cc, cx, ce, ci };

// The text template's result: what to type or paste, and a rich-text file
// to paste with it.
struct TextTemplate {
    QString text;
    QString richFile;
};

// Command-line expansion: variables, parameters and the markers that steer
// execution. The operations keep their traditional names; each does one
// step, and execution applies them in its fixed order.
class Expander {
public:
    Expander(const Setup& setup, const KeywordStore& store, const platform::Environment& env,
             platform::System& system, ExpansionServices& services, const Clock& clock,
             Random& random);

    // %NAME% variables, "$H$" (the program's folder without trailing "/"),
    // "$D$" (empty: there are no drives); with `strip`, the routing markers.
    QString ExpandBasic(const QString& text, bool strip) const;
    // "$P$", "$U$", the parameter words, "{BR}", "$i$", the typing markers,
    // the default block; with `full` also clipboard, selection, edit actions,
    // inline markers and notes.
    QString SubstituteParameters(const QString& tmpl, const QString& parameters, bool full);
    // A keyword's command read as a path: substituted with `parameters` (not
    // full), then basic-expanded with stripping.
    QString CommandPath(const QString& command, const QString& parameters);
    // The block between two "$DEF$" markers: the whole text without
    // parameters, dropped with them.
    static QString ApplyDefaultBlock(const QString& text, const QString& parameters);
    // $M$, $R$, $CLR$, $GW$ and $SOUND$...$SOUND$ acted on and removed; with
    // `removeP` also every "$P$".
    QString ApplyInlineMarkers(const QString& text, bool removeP);
    // Removes the wait markers and returns their total in milliseconds, at
    // most a day (86400000).
    static int TakeWaitMarkers(QString& text);
    // The after-launch typing wait in milliseconds and its kind (0 type,
    // 1 type and Enter, 2 paste, 3 paste and Enter).
    static int TakeTypingMarkers(const QString& text, int& kind);
    // Removes every `marker` (any case); whether there was one.
    static bool TakeMarker(QString& text, const QString& marker);
    // An enclosed block such as "$SOUND$ file $SOUND$": removes it, from the
    // first `marker` through the end of the next, and returns what stood
    // between. `marker` is given in upper case; its all-lower-case form
    // counts too, mixed forms do not. A marker without a partner is no
    // block: nothing is taken and the text stays as it is.
    static std::optional<QString> TakeBlock(QString& text, const QString& marker);
    QString GrabSelection(bool cut, bool allowFiles);
    QString CopyAndExecute(const QString& given, const QString& tmpl, bool raw, bool allowFiles,
                           CopyKind kind);
    // "$N name$" and "$NU name$" replaced by note texts, with the toasts for
    // missing names.
    QString InjectNotes(const QString& text);
    // The template for text typed or pasted into another window.
    TextTemplate ExpandTextTemplate(const QString& text, const TExeWord* keyword, bool paste);
    // The information line.
    QString ExpandInfoLine(const QString& tmpl);
    // "https://" in front of an address typed without scheme.
    static QString enrichLazyUrl(const QString& url);

    ExpansionServices& services() { return services_; }

private:
    const Setup& setup_;
    const KeywordStore& store_;
    const platform::Environment& env_;
    platform::System& system_;
    ExpansionServices& services_;
    const Clock& clock_;
    Random& random_;
    // The information line's address lookups, cached for 50 seconds.
    QString ipCache_, ip1Cache_;
    qint64 ipAt_ = -1, ip1At_ = -1;
};

// The placeholder CopyAndExecute gives for nothing to run.
inline const QString kNothingToRun = QStringLiteral("anullexea");

// Percent-encoding of the text as UTF-8: every byte of 128 or more, the
// blank and !"#$%&'()*+,/:;<=>?@[\]^`{|}~ become %XX (upper-case hex).
QString urlEncode(const QString& text);
// Parameter words: runs of characters above the blank; double quotes group
// blanks into one word and are removed; "" alone is skipped.
QStringList parameterWords(const QString& parameters);
// A date and time in the traditional format letters: t and tt (short and long
// time), d, dd, ddd, dddd, m, mm, mmm, mmmm, yy, yyyy, h, hh, n, nn, s, ss,
// am/pm, quoted text; names come from `locale`.
QString formatDateTime(const QDateTime& when, const QString& format, const QLocale& locale);
// The text of "$TIME$": `custom` when set, else "tt, dddd dd. mmmm yyyy" and
// " (week N)" with the ISO week number.
QString timeText(const QDateTime& when, const QString& custom, const QLocale& locale);
// A password of `length` characters from letters and digits, and symbols
// when `symbols`, drawn from `random` (the system one is cryptographic).
// Lengths below 4 or above 4096 give the message to show instead.
QString generatePassword(int length, bool symbols, Random& random);

} // namespace lorvanta
