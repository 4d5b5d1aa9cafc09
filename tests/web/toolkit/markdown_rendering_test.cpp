#include "web/toolkit/markdown_rendering.h"

#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <cmark-gfm.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace sorvant {
namespace {

// Renders Markdown to HTML. Task-list items stay "[x] text" list items:
// turning them into boxes is the helper's job.
QString renderedHTML(const QString& markdown)
{
    cmark_parser* parser = cmark_parser_new(CMARK_OPT_DEFAULT);
    const QByteArray bytes = markdown.toUtf8();
    cmark_parser_feed(parser, bytes.constData(), size_t(bytes.size()));
    cmark_node* document = cmark_parser_finish(parser);
    char* html = cmark_render_html(document, CMARK_OPT_DEFAULT, nullptr);
    const QString result = QString::fromUtf8(html);
    std::free(html);
    cmark_node_free(document);
    cmark_parser_free(parser);
    return result;
}

TEST(MarkdownMetaAttributes, KeysFoldAndLaterLinesWin)
{
    const QMap<QString, QString> attributes =
        markdownMetaAttributes(QStringLiteral("---\nTitle: A\ntitle : B\nMy Key:  x y \n---\nBody: not header"));
    EXPECT_EQ(attributes, (QMap<QString, QString>{{QStringLiteral("title"), QStringLiteral("B")},
                                                   {QStringLiteral("mykey"), QStringLiteral("x y")}}));
    EXPECT_TRUE(markdownMetaAttributes(QStringLiteral("Body only")).isEmpty());
    EXPECT_TRUE(markdownMetaAttributes(QString()).isEmpty());
}

struct SectionCase
{
    const char* line;
    const char* title;        // null: nil
    const char* identifier;   // null: nil
};

TEST(MarkdownSections, TitlesAndIdentifiers)
{
    const SectionCase cases[] = {
        {"## My Section [Intro]", "My Section", "intro"},
        {"# Hello, World!", "Hello, World!", "helloworld"},
        {"## *Bold* `code` ##", "Bold code", "boldcode"},
        {"# [Only]", "Only", "only"},
        {"# See [x](http://y.z) too", "See too", "x"},
        {"# Ünïcode Straße 2.0", "Ünïcode Straße 2.0", "Ünïcodestraße2.0"},
        {"###", nullptr, nullptr},
        {"# !?", nullptr, nullptr},
    };
    for (const SectionCase& row : cases) {
        SCOPED_TRACE(row.line);
        const QString line = QString::fromUtf8(row.line);
        EXPECT_EQ(titleOfMarkdownSection(line), row.title ? QString::fromUtf8(row.title) : QString());
        EXPECT_EQ(identifierOfMarkdownSection(line), row.identifier ? QString::fromUtf8(row.identifier) : QString());
    }
}

TEST(MarkdownPlaceholders, FillsBothFormsIgnoringCase)
{
    const QMap<QString, QString> values{{QStringLiteral("name"), QStringLiteral("Ann")},
                                        {QStringLiteral("n"), QStringLiteral("[%n]")}};
    EXPECT_EQ(stringByReplacingMarkdownPlaceholders(QStringLiteral("[%name%] and [%NAME] or [%namex]"), values),
              QStringLiteral("Ann and Ann or [%namex]"));
    // A value holding its own placeholder is not filled again.
    EXPECT_EQ(stringByReplacingMarkdownPlaceholders(QStringLiteral("[%n] [%n]"), values), QStringLiteral("[%n] [%n]"));
    const QString open = QString::fromUtf8("tail [%name");
    EXPECT_TRUE(stringByReplacingMarkdownPlaceholders(open, values).isSharedWith(open));
}

TEST(MarkdownLineBreaks, RenderAsHardBreaks)
{
    const QString forced = stringByForcingMarkdownLineBreaks(QStringLiteral("one  \ntwo\r\nthree\n\n`a\nb`\nTitle\n==="));
    EXPECT_EQ(forced, QStringLiteral("one   \ntwo   \nthree   \n   \n`a\nb`   \nTitle\n==="));
    EXPECT_EQ(renderedHTML(stringByForcingMarkdownLineBreaks(QStringLiteral("one\ntwo\n"))),
              QStringLiteral("<p>one<br />\ntwo</p>\n"));
    EXPECT_TRUE(stringByForcingMarkdownLineBreaks(QString()).isNull());
}

TEST(MarkdownHeader, OptionsAndMissingHighlightingFiles)
{
    EXPECT_TRUE(markdownHeaderWithOptions(0).isNull());
    const QString all = markdownHeaderWithOptions(7);
    EXPECT_TRUE(all.startsWith(QStringLiteral("<script type=\"text/javascript\" id=\"MathJax-script\" async src=")));
    EXPECT_TRUE(all.contains(QStringLiteral("/npm/mermaid/dist/mermaid.min.js\"></script>\n<style><!--\n")));
    EXPECT_TRUE(all.contains(QStringLiteral("--></style>\n<script type=\"text/javascript\"><!--\n")));
    EXPECT_TRUE(all.endsWith(QStringLiteral("\n--></script>\n")));

    test::TempTree tree;
    setMarkdownResourceDirectory(tree.path());
    const QString mathOnly = markdownHeaderWithOptions(3);
    setMarkdownResourceDirectory(QString());
    EXPECT_TRUE(mathOnly.endsWith(QStringLiteral("tex-mml-chtml.js\"></script>")));
    EXPECT_FALSE(mathOnly.contains(QStringLiteral("<style>")));
}

TEST(MarkdownPreprocessing, DoubleMarksBecomeCriticMarkupOutsideCode)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"a ~~b~~ `~~c~~`", "a {--b--} `~~c~~`"},
        {"==x== and ^^y^^", "{==x==} and {==y==}"},
        {"~~a\nb~~", "{--a\nb--}"},
        {"~~a\n\nb~~", "~~a\n\nb~~"},          // a blank line ends the search
        {"~~~a~~~ {~~b~~}", "~~~a~~~ {~~b~~}"},
        {"~~a `code` b~~", "{--a `code` b--}"},  // the closer may come in a later run
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(stringByPreprocessingMarkdownForRendering(QString::fromUtf8(row.text)),
                  QString::fromUtf8(row.expected));
    }
}

TEST(MarkdownPreprocessing, EmojiShortNames)
{
    // (A first line with a colon would be read as a metadata header.)
    EXPECT_EQ(stringByPreprocessingMarkdownForRendering(QStringLiteral("Hi\nI :heart: it :nosuchname: `:heart:`")),
              QString::fromUtf8("Hi\nI \u2764\ufe0f it :nosuchname: `:heart:`"));
    EXPECT_EQ(stringByPreprocessingMarkdownForRendering(QStringLiteral(":smile:")), QString::fromUtf8("\U0001F604"));
    EXPECT_EQ(stringByPreprocessingMarkdownForRendering(QStringLiteral("x\n::smile")), QStringLiteral("x\n::smile"));
}

TEST(MarkdownPreprocessing, MissingAndDamagedEmojiTablesAreReported)
{
    test::TempTree tree;
    test::LogCapture log;
    setMarkdownResourceDirectory(tree.path());
    EXPECT_EQ(stringByPreprocessingMarkdownForRendering(QStringLiteral("a :smile: b")), QStringLiteral("a :smile: b"));
    EXPECT_EQ(log.lines(), (QStringList{QStringLiteral("WARNING: Resource 'github.json' not found.")}));
    const QString path = tree.writeFile(QStringLiteral("github.json"), "{ damaged");
    EXPECT_EQ(stringByPreprocessingMarkdownForRendering(QStringLiteral("a :smile: b")), QStringLiteral("a :smile: b"));
    EXPECT_EQ(log.lines().value(1), QStringLiteral("WARNING: Resource %1 could not be loaded.").arg(path));
    EXPECT_EQ(stringByPreprocessingMarkdownForRendering(QStringLiteral(":smile: b")), QStringLiteral(":smile: b"));
    EXPECT_EQ(log.lines().size(), 2);   // read once
    setMarkdownResourceDirectory(QString());
}

TEST(MarkdownPostprocessing, TaskItemsBecomeBallotBoxes)
{
    const QString boxed =
        stringByPostprocessingMarkdownForRendering(renderedHTML(QStringLiteral("- [x] done\n- [ ] todo\n- [y] other\n")));
    EXPECT_EQ(boxed, QString::fromUtf8("<ul>\n<li style=\"list-style: none;\">\u2611 done</li>\n"
                                       "<li style=\"list-style: none;\">\u2610 todo</li>\n<li>[y] other</li>\n</ul>\n"));
    // Renderers that put loose items' paragraphs right after the item.
    EXPECT_EQ(stringByPostprocessingMarkdownForRendering(QStringLiteral("<LI><P>[X] a</p></li><li><p>[ ] b")),
              QString::fromUtf8("<li><p>\u2611 a</p></li><li><p>\u2610 b"));
    const QString none = QString::fromUtf8("<p>[x] not a list</p>");
    EXPECT_TRUE(stringByPostprocessingMarkdownForRendering(none).isSharedWith(none));
}

} // namespace
} // namespace sorvant
