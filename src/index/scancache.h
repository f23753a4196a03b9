#pragma once

#include "core/ini/iostatus.h"
#include "indexlist.h"

#include <QString>

namespace lorvanta {

// "scancache.dat": one line per index entry, in index order, as the tagged
// fields <exet>1</exet><exe1>name</exe1><exe2>root</exe2><exe3>path</exe3>
// <exe4>ps</exe4>; an entry without item is an empty line. Values keep their
// text except that "<", a line break, and an "&" that would read as one of
// these escapes, are written as "&lt;", "&#10;", "&#13;" and "&amp;", so that
// names holding them survive the round trip.
QString formatIndexCache(const IndexList& list);
// Entries read back have the name as key, an empty title and icons -2.
void parseIndexCache(const QString& text, IndexList& list);

// Writes the file atomically (UTF-8 with byte order mark).
IoStatus SaveIndexCache(const QString& file, const IndexList& list);
// Empties `list` and fills it from the file; false (list untouched) when
// the file cannot be read.
bool LoadIndexCache(const QString& file, IndexList& list);

} // namespace lorvanta
