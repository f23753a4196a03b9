#pragma once

#include <QString>

namespace lorvanta {

// What kind of thing a typed text names. Several parts of the launcher ask the
// same questions, so the answers live here once.

// "http:", "https:" or "www." at the start, ignoring case.
bool isUrl(QStringView text);

// A local path: begins with "/", "~/" (or is "~"), "./" or "../".
bool looksLikeFilePath(QStringView text);

// A network path: "//server/share", or an smb://, sftp:// or nfs:// address.
bool isNetworkPath(QStringView text);

// A domain typed without scheme ("example.com"): no spaces, holds a "." and
// is longer than 4 characters, does not begin with . # \ / space ? or a
// double quote, does not end with ".", holds none of "mailto:", ":/", ":\",
// does not begin with "www." and is not a dotted IPv4 address.
bool isBareDomain(QStringView text);

// The input's first word (up to the first blank), and what follows that
// blank (untrimmed; empty without a blank). The parameter text is the latter
// trimmed.
QString firstWord(const QString& text);
QString afterFirstSpace(const QString& text);
inline QString parameterText(const QString& text) {
    return afterFirstSpace(text).trimmed();
}

// The part of an input that completion and the list work on: the command
// after the last separator before the caret, and of that a path typed after
// the first word. `kept` is what stands before it; `caret` is moved into it.
struct InputSegment {
    QString kept;
    QString text;
    int caret = 0;
};
InputSegment currentSegment(const QString& input, int caret, const QString& separator);

// A letter of the English alphabet: the letters of format codes and of
// control words, where other letters are text.
inline bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The text without its leading, or its trailing, white space.
QString leftTrimmed(const QString& text);
QString rightTrimmed(const QString& text);

// "~" and "~/..." with the home folder put in; anything else unchanged.
QString expandTilde(const QString& path, const QString& home);

} // namespace lorvanta
