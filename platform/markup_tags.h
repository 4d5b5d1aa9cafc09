#pragma once
// Finding the end of a tag in XML or HTML bytes, for the scans that look at
// markup before a parser does (nesting depth, flattening). Not a parser.

#include <QByteArray>

namespace sorvant {

// The index just past the tag that starts with '<' at `at`: past the first
// '>' outside a quoted attribute value; the end of `data` when there is none.
//   ("<a href='>'>x", 0) => 12      ("<a", 0) => 2      ("<b/>", 0) => 4
[[nodiscard]] inline qsizetype pastMarkupTag(const QByteArray& data, qsizetype at)
{
    char quote = 0;
    for (qsizetype i = at + 1; i < data.size(); ++i) {
        const char c = data.at(i);
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return data.size();
}

// Whether the tag that ends just before `end` closes itself ("<br/>").
[[nodiscard]] inline bool isSelfClosingTag(const QByteArray& data, qsizetype start, qsizetype end)
{
    return end - 2 > start && data.at(end - 1) == '>' && data.at(end - 2) == '/';
}

} // namespace sorvant
