#pragma once
// Convenience editing of an AttributedString: inserting, appending and
// replacing text with or without attributes, making links, and changing
// attributes run by run without losing the others. The search engine's
// highlighting and the wiki-link highlighting lay their attributes with
// overrideAttributes().
//
// A plain string edit takes the attributes of the place where it happens
// (see foundation/attributed_string.h); ranges are clipped to the text.
// Links are QVariants holding a QString or a QUrl.

#include "foundation/attributed_string.h"
#include "foundation/color.h"
#include "interface/colors.h"

#include <QVariant>
#include <QVariantList>

namespace sorvant {

// --- link attributes ---------------------------------------------------------
// Links are drawn in the colour catalogue's colours (interface/colors.h).
// The text a link shows: the description when not empty, else the link's
// address. "" for an invalid link.
//   ("", QUrl("http://a.b/")) => "http://a.b/"   ("Home", ...) => "Home"
//   ("", URL("http://a.b/"))  => "http://a.b/"   ("", "a.b") => "a.b"
[[nodiscard]] QString textOfLink(const QString& description, const QVariant& link);
// Foreground link colour, underline 1 and the link.
[[nodiscard]] QVariantMap linkAttributes(const QVariant& link);

// --- inserting, appending, setting --------------------------------------------
void insertString(AttributedString& text, const QString& string, qsizetype index);
void insertString(AttributedString& text, const AttributedString& string, qsizetype index);
// Any other value by its description ("%@").
void insertString(AttributedString& text, const QVariant& value, qsizetype index);
// A null string is ignored.
void appendString(AttributedString& text, const QString& string);
void appendString(AttributedString& text, const AttributedString& string);
void setString(AttributedString& text, const QString& string);
void setString(AttributedString& text, const AttributedString& string);
// Formats ("%@" style) and appends like a plain string; a null format does nothing.
void appendFormat(AttributedString& text, const QString& format, const QVariantList& arguments);

// With exactly the given attributes.
void insertString(AttributedString& text, const QString& string, qsizetype index, const QVariantMap& attributes);
void setString(AttributedString& text, const QString& string, const QVariantMap& attributes);
// Non-empty strings only.
void appendString(AttributedString& text, const QString& string, const QVariantMap& attributes);
void attributesAppendFormat(AttributedString& text, const QVariantMap& attributes, const QString& format,
                            const QVariantList& arguments);

// The string as its own link (the string is the address).
void insertStringAsLink(AttributedString& text, const QString& string, qsizetype index);
void appendStringAsLink(AttributedString& text, const QString& string, const Color& backgroundColor);
// The dictionary link, underline (1 or 0), font, foreground, background, cut
// at the first missing value: a null font leaves only link and underline, a
// missing link no attributes at all. The append form needs a non-empty string.
void insertStringWithLink(AttributedString& text, const QString& string, const QVariant& link, const QVariant& font,
                          const Color& color, bool underlined, const Color& backgroundColor, qsizetype index);
void appendStringWithLink(AttributedString& text, const QString& string, const QVariant& link, const QVariant& font,
                          const Color& color, bool underlined, const Color& backgroundColor);

// --- run-by-run changes ---------------------------------------------------------
// Sets one attribute over `range`, run by run; an invalid value removes it.
void setAttribute(AttributedString& text, const QVariant& value, const QString& name, Range range);
// Lays `attributes` over `range`: their values replace those of the same
// names, all other attributes stay. A null or empty dictionary does nothing.
void overrideAttributes(AttributedString& text, const QVariantMap& attributes, Range range);
void overrideAttributes(AttributedString& text, const QVariantMap& attributes);
// Keeps only the named attributes; no names removes them all.
void removeAllAttributesExcept(AttributedString& text, const QStringList& names, Range range);
void removeAllAttributesExcept(AttributedString& text, const QStringList& names);

// --- replacing ---------------------------------------------------------------
// Each replaces every occurrence and answers the count; the search resumes
// after the inserted text. A plain replacement takes the attributes of the
// first unit it replaces; all are made in one pass over the text.
//   "aaa": "a" by "aa" => 3, "aaaaaa"
qsizetype replaceString(AttributedString& text, const QString& target, const QString& replacement,
                        bool caseSensitive = true);
// Inserts textOfLink(description, link) with the link over it.
qsizetype replaceStringWithLink(AttributedString& text, const QString& target, const QVariant& link,
                                const QString& description, bool caseSensitive = true);
// The inserted text keeps the paragraph style found where it goes.
qsizetype replaceStringWithAttributedString(AttributedString& text, const QString& target,
                                            const AttributedString& replacement, bool caseSensitive = true);

} // namespace sorvant
