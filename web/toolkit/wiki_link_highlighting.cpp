#include "web/toolkit/wiki_link_highlighting.h"

#include "web/toolkit/attributed_editing.h"
#include "web/toolkit/html_services.h"
#include "web/toolkit/wiki_links.h"

#include <QUrl>

namespace sorvant {

namespace {

QString schemePrefix(const QString& scheme)
{
    return scheme.endsWith(QLatin1Char(':')) ? scheme : scheme + QLatin1Char(':');
}

} // namespace

QSet<QString> linksOfHTMLWithScheme(const QString& html, const QString& scheme)
{
    if (html.isEmpty() || scheme.isEmpty())
        return {};
    const QString prefix = schemePrefix(scheme);
    QSet<QString> links;
    for (const QString& link : htmlLinksBaseURL(html, nullptr)) {
        if (link.startsWith(prefix))
            links.insert(link);
    }
    links.unite(linksOfPlainTextWithScheme(stringByConvertingHTMLToPlainText(html, false, true, true, true), scheme));
    return links;
}

QSet<QString> linksOfRichTextWithScheme(const AttributedString& text, const QString& scheme, int* oldWikiLinks)
{
    if (oldWikiLinks != nullptr)
        *oldWikiLinks = 0;
    if (text.isEmpty() || scheme.isEmpty())
        return {};
    const QString prefix = schemePrefix(scheme);
    const QString bareScheme = prefix.chopped(1);
    QSet<QString> links;
    int old = 0;
    text.enumerateAttribute(QString::fromLatin1(attribute::kLink), Range{0, text.length()},
                            [&](const QVariant& value, Range, bool*) {
                                QString link;
                                if (value.metaType() == QMetaType::fromType<QString>()) {
                                    link = value.toString();
                                    if (link.startsWith(prefix))
                                        links.insert(link);
                                } else if (value.metaType() == QMetaType::fromType<QUrl>()) {
                                    const QUrl url = value.toUrl();
                                    link = url.toString(QUrl::FullyEncoded);
                                    if (url.scheme() == bareScheme)
                                        links.insert(link);
                                }
                                if (!link.isEmpty() && !isOldVelmorWikiStringURL(link).isNull())
                                    ++old;
                            });
    links.unite(linksOfPlainTextWithScheme(text.string(), scheme));
    if (oldWikiLinks != nullptr)
        *oldWikiLinks = old;
    return links;
}

void highlightLinks(AttributedString& text, const QStringList& names, unsigned options, Range range,
                    const QVariantMap& attributes, TemporaryAttributeHolder* holder)
{
    if (range.length < 2 || attributes.isEmpty()
        || ((options & (kWikiLinkCamelCase | kWikiLinkBrackets)) == 0 && names.isEmpty()))
        return;
    QList<Range> found;
    enumerateWikiLinks(text.string(), names, options, range,
                       [&](const FastWordEnumerator&, qsizetype location, qsizetype length, WikiLinkKind) {
                           found.append(Range{location, length});
                       });
    if (holder != nullptr) {
        QVariantMap temporary = attributes;
        temporary.insert(QString::fromLatin1(attribute::kCursor), QStringLiteral("PointingHand"));
        const QString underline = QString::fromLatin1(attribute::kUnderlineStyle);
        for (const Range link : found) {
            Range run;
            const QVariantMap present = holder->temporaryAttributesAtIndex(link.location, &run);
            if (present.contains(underline) && (run.location < link.location || run.length > link.length))
                continue;
            if (text.attributeAtIndex(QString::fromLatin1(attribute::kLink), link.location).isValid())
                continue;
            holder->overrideTemporaryAttributes(temporary, link);
        }
        return;
    }
    // The scanner reports each kind of link in a pass of its own, so the
    // links come out of text order; laying them all in one walk over the
    // runs keeps the work linear where one call per link would move the
    // rest of the run list each time.
    text.addAttributesInRanges(attributes, found);
}

void highlightLinks(AttributedString& text, const QStringList& names, unsigned options)
{
    const QVariant color = QVariant::fromValue(autoLinkColor());
    const QVariantMap attributes{{QString::fromLatin1(attribute::kLink), QUrl(QStringLiteral("VELMORwiki"))},
                                 {QString::fromLatin1(attribute::kUnderlineStyle), 1},
                                 {QString::fromLatin1(attribute::kForegroundColor), color},
                                 {QStringLiteral("UnderlineColor"), color}};
    highlightLinks(text, names, options, Range{0, text.length()}, attributes, nullptr);
}

} // namespace sorvant
