#pragma once
// Wiki links in HTML and rich text, and laying link attributes over the
// links the scanner (web/toolkit/wiki_links.h) finds in an attributed text,
// either into the text or as temporary attributes of a text view's layout.

#include "foundation/attributed_string.h"
#include "foundation/color.h"
#include "interface/colors.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace sorvant {

// The temporary (display-only) attributes of a text view's layout.
class TemporaryAttributeHolder
{
public:
    virtual ~TemporaryAttributeHolder() = default;
    // The temporary attributes at `index` and the run they hold over.
    [[nodiscard]] virtual QVariantMap temporaryAttributesAtIndex(qsizetype index, Range* effectiveRange) const = 0;
    // Lays `attributes` over `range`, replacing those of the same names.
    virtual void overrideTemporaryAttributes(const QVariantMap& attributes, Range range) = 0;
};

// Links are drawn in the colour catalogue's colours (interface/colors.h).

// The links of `scheme` among the HTML's link addresses and in its visible
// text. Empty for a nil or empty text or scheme.
[[nodiscard]] QSet<QString> linksOfHTMLWithScheme(const QString& html, const QString& scheme);
// The links of `scheme` among the text's link attributes (strings starting
// "scheme:", URLs of that scheme) and in its characters. `oldWikiLinks`,
// when given, gets the number of link attributes in the old wiki form.
[[nodiscard]] QSet<QString> linksOfRichTextWithScheme(const AttributedString& text, const QString& scheme,
                                                     int* oldWikiLinks);

// Lays `attributes` over each link enumerateWikiLinks() finds in `range`.
// With a layout (`holder`), as temporary attributes with a pointing-hand
// cursor added, skipping links already underlined by a longer or earlier
// run there or carrying a link attribute in the text; without, into the
// text. Nothing for a range shorter than 2, no attributes, or no names and
// neither CamelCase nor bracket references asked for.
void highlightLinks(AttributedString& text, const QStringList& names, unsigned options, Range range,
                    const QVariantMap& attributes, TemporaryAttributeHolder* holder);
// Over the whole text, into the text, with a "VELMORwiki" link, underline
// and the automatic-link colour as foreground and underline colour.
void highlightLinks(AttributedString& text, const QStringList& names, unsigned options);

} // namespace sorvant
