#pragma once
// News feeds (RSS 2.0, RSS 1.0/RDF and Atom) read with QXmlStreamReader:
// their items, and an HTML page that shows a feed. A feed that is not
// well-formed gives the items read before the fault.

#include "platform/url.h"

#include <QList>
#include <QString>
#include <QVariantMap>

namespace sorvant {

// The items: "title", and where the feed has them "link" (made absolute
// against `baseURL` when one is given), "description", "date", "author" and
// "id". Texts are as the feed holds them, character references of HTML
// left alone.
//   "<rss><channel><item><title>A</title><link>a.html</link></item>..." => [{title: A, link: a.html}]
[[nodiscard]] QList<QVariantMap> getItemsOfFeed(const QString& source, const URL& baseURL);

// An HTML page showing the feed's title, description and items. With
// `linkedStyleSheet` a CSS style sheet the feed names ("xml-stylesheet") is
// linked; otherwise, or when it names none, a small style of our own is
// embedded. Empty for a text that holds no feed.
[[nodiscard]] QString stringByConvertingFeed(const QString& source, const URL& baseURL, bool linkedStyleSheet);

// One item as an HTML fragment: its linked title, date and author, and its
// description as plain paragraphs (markup and scripts in it are not kept).
[[nodiscard]] QString stringByConvertingItemToDisplayHTML(const QVariantMap& item);

} // namespace sorvant
