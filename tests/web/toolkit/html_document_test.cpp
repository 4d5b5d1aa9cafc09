#include "web/toolkit/html_document.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QString bodyText(const char* html)
{
    return HTMLDocument(QString::fromUtf8(html)).plainText(false, true, false);
}

// The document keeps the tree the parser's own builder makes: text split by
// comments or instructions stays one text, and what comes after the root
// has closed joins the root only when the root is the first thing in the
// document (a document type or comment before it keeps it out).
TEST(HTMLDocument, TreeAsTheParserBuildsIt)
{
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"<p>a<!-- c -->b<![CDATA[c]]>d</p>", "ab<![CDATA[c]]>d"},
        {"<p>in</p></body></html><p>after</p>", "inafter"},
        {"<p>in</p></body></html>loose<b>bold</b>", "inloosebold"},
        {"<!DOCTYPE html><p>in</p></body></html><p>after</p>", "in"},
        {"<!-- first --><p>in</p></body></html><p>after</p>", "in"},
        {"<p>in<?pi x?>side</p>", "inside"},
        {"", ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.html);
        EXPECT_EQ(bodyText(row.html), QString::fromUtf8(row.text));
    }
    EXPECT_TRUE(HTMLDocument(QString()).isValid());
}

TEST(HTMLDocument, AttributesAndTextOfElements)
{
    const HTMLDocument document(QStringLiteral("<title>T <b>x</b>&amp;</title><input checked value=''>"
                                               "<a name href='h&amp;i' HREF=dup>l<!--c-->k</a><p></p>"));
    QStringList seen;
    document.forEachElement([&](const HTMLElement& element) {
        if (element.isNamed("title"))
            seen << QStringLiteral("title:") + element.textContent();
        if (element.isNamed("input")) {
            // A boolean attribute written bare has its own name as value.
            seen << QStringLiteral("input:") + element.attribute("checked") + QLatin1Char('/')
                        + element.attribute("value") + QLatin1Char('/')
                        + (element.attribute("disabled").isNull() ? QStringLiteral("null") : QStringLiteral("set"));
            EXPECT_FALSE(element.attribute("value").isNull());
        }
        if (element.isNamed("a")) {
            EXPECT_FALSE(element.attribute("name").isNull());
            seen << QStringLiteral("a:") + element.attribute("name") + QLatin1Char('/') + element.attribute("href")
                        + QLatin1Char('/') + element.textContent();
        }
        if (element.isNamed("p")) {
            EXPECT_EQ(element.textContent(), QStringLiteral(""));
        }
    });
    EXPECT_EQ(seen, (QStringList{QStringLiteral("title:T x&"), QStringLiteral("input:checked//null"),
                                 QStringLiteral("a:/h&i/lk")}));
}

} // namespace
} // namespace sorvant
