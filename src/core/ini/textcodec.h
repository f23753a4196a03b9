#pragma once

#include <QByteArray>
#include <QString>

namespace lorvanta {

// Decodes a text file, program output or a web page the way every reader of
// the program does: a UTF-8, UTF-16 or UTF-32 byte order mark decides; without one the bytes are
// read as UTF-8 and any byte that is not part of a valid UTF-8 sequence is read as Windows-1252, so
// files from older or foreign editors still load instead of turning into replacement characters.
QString decodeText(const QByteArray& bytes);

// The form every file of the program is written in: UTF-8 with byte order mark.
QByteArray encodeUtf8WithBom(const QString& text);

// The character Windows-1252 gives a single byte.
QChar windows1252Char(unsigned char byte);

} // namespace lorvanta
