#pragma once

#include <QString>

namespace lorvanta {

// Plain text out of the rich formats that files and the clipboard carry, for
// text that is typed, pasted or shown: text templates, the clipboard
// history and the text commands use them.

// The readable text of an RTF document: paragraphs and line ends as "\n",
// tabs, "\'xx" characters (Windows-1252) and "\uN" characters (with their
// stand-in characters skipped); groups that hold no text (fonts, colours,
// pictures, "\*" destinations) are left out. Trimmed.
QString rtfToPlain(const QString& rtf);

// The readable text of an HTML document: tags dropped, line-ending tags
// ("br", the ends of "p", "div", "li", "tr" and headings) as "\n", the
// contents of "head", "script" and "style" left out, the common named and
// all numeric entities decoded, source white space collapsed. Trimmed.
QString htmlToPlain(const QString& html);

// Either of them, chosen by the text (an RTF header, a leading "<") or by
// the suffix of the file it came from (".html", ".htm"); any other text as it
// is.
QString richToPlain(const QString& text, const QString& path);

} // namespace lorvanta
