#pragma once
// Wiki links: page names, CamelCase words and «[[...]]» references found in
// a text through the search engine's word index, and links of one URL
// scheme collected from plain text. The wiki-link scheme is a process-wide
// setting. Positions are UTF-16 units. Links in HTML and in rich text, and
// laying link attributes on what the scanner finds, build on this header
// elsewhere.

#include "foundation/range.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace sorvant {

class FastWordEnumerator;
class URL;

// --- scanning ----------------------------------------------------------------
enum WikiLinkOption : unsigned {
    kWikiLinkCamelCase = 1,         // report CamelCase words
    kWikiLinkBrackets = 2,          // report «[[name]]» (not «![[...]]»)
    kWikiLinkCaseInsensitive = 4,   // page names match without regard to case
    kWikiLinkMarkdown = 8,          // skip the metadata header, code, math, link targets and tags
};

enum WikiLinkKind : int {
    kWikiLinkPageName = 0,
    kWikiLinkCamelCaseWord = 1,
    kWikiLinkBracketReference = 2,
};

// Receives the word index of the text, the link text's location and length
// and its kind. The scan always runs to the end.
using WikiLinkHandler =
    std::function<void(const FastWordEnumerator& enumerator, qsizetype location, qsizetype length, WikiLinkKind kind)>;

// Reports the links of `range`: the longest page name of `names` starting at
// each word, CamelCase words and bracket references, as the options ask.
// Nothing happens for a range shorter than 2, no handler, or no names and
// neither kWikiLinkCamelCase nor kWikiLinkBrackets.
//   "I love New York.", {"New York", "New"}   => {7,8} page name
//   "see [[My Page]] now", kWikiLinkBrackets  => {6,7} bracket reference
//   "a WikiWord b", kWikiLinkCamelCase        => {2,8}; "Wiki", "WIki", "WikI" => none
void enumerateWikiLinks(const QString& string, const QStringList& names, unsigned options, Range range,
                        const WikiLinkHandler& handler);

// --- links of a scheme -------------------------------------------------------
// Every «scheme:...» link at the text's start or after "(", "<", "[", white
// space or U+0000, up to ")", ">", "]", white space or the end. Empty for a
// nil or empty text or scheme.
//   "(x-velmor-wiki:abc) ax-velmor-wiki:no", "x-velmor-wiki" => {"x-velmor-wiki:abc"}
[[nodiscard]] QSet<QString> linksOfPlainTextWithScheme(const QString& string, const QString& scheme);
// The same for Markdown text.
[[nodiscard]] QSet<QString> linksOfMarkdownWithScheme(const QString& string, const QString& scheme);

// --- the wiki scheme ---------------------------------------------------------
// The scheme of wiki links, "x-velmor-wiki" unless set; a null or empty
// scheme restores the default.
[[nodiscard]] QString velmorWikiScheme();
void setVelmorWikiScheme(const QString& scheme);

// The link without a leading "http://" when it starts with the old prefix
// "VELMORwiki" or with the current scheme; null otherwise.
//   "http://VELMORwiki/x" => "VELMORwiki/x"   "x-velmor-wiki:a" => itself   "http://a" => null
[[nodiscard]] QString isVelmorWikiStringURL(const QString& string);
// The same for the old prefix only.
[[nodiscard]] QString isOldVelmorWikiStringURL(const QString& string);
// The page identifier of a wiki link.
//   "x-velmor-wiki://Page%20One/?a=b" => "Page%20One"   "VELMORwiki_Page#x" => "Page"   "none" => null
[[nodiscard]] QString velmorWikiID(const QString& string);
// Whether the URL's scheme is the wiki scheme, ignoring case.
[[nodiscard]] bool isVelmorWikiURL(const URL& url);

} // namespace sorvant
