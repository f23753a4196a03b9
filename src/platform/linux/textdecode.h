#pragma once

#include <QByteArrayView>
#include <QString>

namespace lorvanta::platform {

// UTF-8, where every byte that does not start a valid UTF-8 sequence is read as
// Windows-1252: program output and web pages in an old code page stay legible.
QString decodeUtf8Or1252(QByteArrayView bytes);

// By byte order mark (UTF-8, UTF-16, UTF-32), else as decodeUtf8Or1252.
QString decodeByBom(QByteArrayView bytes);

} // namespace lorvanta::platform
