#include "web/toolkit/markup_commands.h"

#include "foundation/attributed_string.h"
#include "tests/support/log_capture.h"
#include "web/toolkit/feed_services.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QString fixture(const char* name)
{
    QFile file(QStringLiteral(SORVANT_WEB_TEST_DATA "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(file.readAll());
}

const QVariant kNull = QVariant::fromValue(nullptr);

using Handler = QVariant (*)(ScriptCommand&);

struct HandlerCase
{
    const char* name;
    Handler handler;
    QVariant emptyResult;
};

const HandlerCase kHandlers[] = {
    {"getTitleCommand:", getTitleCommand, QString::fromLatin1("")},
    {"getFaviconCommand:", getFaviconCommand, QString::fromLatin1("")},
    {"getTextCommand:", getTextCommand, QString::fromLatin1("")},
    {"getRichTextCommand:", getRichTextCommand, QVariant()},
    {"convertFeedCommand:", convertFeedCommand, QString::fromLatin1("")},
    {"getFeedsCommand:", getFeedsCommand, QVariantList()},
    {"getImagesCommand:", getImagesCommand, QStringList()},
    {"getSheetsAndScriptsCommand:", getSheetsAndScriptsCommand, QStringList()},
    {"getObjectsCommand:", getObjectsCommand, QStringList()},
    {"getFramesCommand:", getFramesCommand, QStringList()},
    {"getLinksCommand:", getLinksCommand, QStringList()},
};

TEST(MarkupCommands, EmptySourcesAnswerEmptyWithoutErrors)
{
    for (const HandlerCase& row : kHandlers) {
        for (const QVariant& source : {QVariant(), kNull, QVariant(QString::fromLatin1(""))}) {
            SCOPED_TRACE(std::string(row.name) + " " + (source.isValid() ? source.typeName() : "missing"));
            ScriptCommand command(source, {});
            EXPECT_EQ(row.handler(command), row.emptyResult);
            EXPECT_EQ(command.scriptErrorNumber(), 0);
        }
    }
}

TEST(MarkupCommands, SourcesThatAreNoStringsAreInvalidArguments)
{
    test::LogCapture log;
    for (const HandlerCase& row : kHandlers) {
        SCOPED_TRACE(row.name);
        log.clear();
        ScriptCommand command(QVariant(42), {});
        EXPECT_EQ(row.handler(command), row.emptyResult);
        if (QByteArray(row.name) == "getFramesCommand:") {
            EXPECT_EQ(command.scriptErrorNumber(), 0);
            EXPECT_TRUE(log.lines().isEmpty());
            continue;
        }
        EXPECT_EQ(command.scriptErrorNumber(), kScriptErrorInvalidArgument);
        EXPECT_EQ(command.scriptErrorString(), QStringLiteral("Invalid argument source"));
        EXPECT_EQ(log.lines(), (QStringList{QStringLiteral("%1 (%2): Invalid argument source: '42'.")
                                                .arg(QString::fromLatin1(row.name),
                                                     QString::fromLatin1(qApp->metaObject()->className()))}));
    }
    EXPECT_EQ(ScriptCommand::currentCommand(), nullptr);
}

TEST(MarkupCommands, TitleFaviconAndText)
{
    const QString page = fixture("page.html");
    ScriptCommand title(page, {});
    EXPECT_EQ(getTitleCommand(title), QVariant(QString::fromUtf8("Café & Co \u2242\u0338")));
    ScriptCommand noTitle(QStringLiteral("<p>x</p>"), {});
    EXPECT_FALSE(getTitleCommand(noTitle).isValid());

    ScriptCommand icon(page, {});
    EXPECT_EQ(getFaviconCommand(icon), QVariant(QStringLiteral("http://example.org/favicon.ico")));
    ScriptCommand iconWithBase(page, {{QStringLiteral("baseURL"), QStringLiteral("https://mirror.net/x/")}});
    EXPECT_EQ(getFaviconCommand(iconWithBase), QVariant(QStringLiteral("https://mirror.net/favicon.ico")));
    test::LogCapture log;
    ScriptCommand iconNotAURL(page, {{QStringLiteral("baseURL"), QStringLiteral("not a url")}});
    EXPECT_EQ(getFaviconCommand(iconNotAURL), QVariant(QStringLiteral("http://example.org/favicon.ico")));
    EXPECT_TRUE(log.lines().isEmpty());
    ScriptCommand iconNumber(page, {{QStringLiteral("baseURL"), 7}});
    EXPECT_EQ(getFaviconCommand(iconNumber), QVariant(QStringLiteral("http://example.org/favicon.ico")));
    EXPECT_EQ(log.lines(), (QStringList{QStringLiteral("WARNING: Invalid baseURL argument: 7")}));
    EXPECT_EQ(iconNumber.scriptErrorNumber(), 0);
    ScriptCommand iconWithoutBase(QStringLiteral("<link rel=icon href=i.png>"), {});
    EXPECT_EQ(getFaviconCommand(iconWithoutBase), QVariant(QStringLiteral("i.png")));

    ScriptCommand text(QStringLiteral("<p>a <b>b</b></p><script>x</script>"), {});
    EXPECT_EQ(getTextCommand(text), QVariant(QStringLiteral("a b")));
}

TEST(MarkupCommands, RichText)
{
    ScriptCommand command(QStringLiteral("<p>plain <b>bold</b> <a href='p.html'>link</a></p>"),
                          {{QStringLiteral("URL"), QStringLiteral("http://site.org/dir/")}});
    const AttributedString text = getRichTextCommand(command).value<AttributedString>();
    EXPECT_EQ(text.string(), QStringLiteral("plain bold link"));
    EXPECT_EQ(text.attributeAtIndex(QStringLiteral("Link"), 12), QVariant(QStringLiteral("http://site.org/dir/p.html")));
    ScriptCommand fileBase(QStringLiteral("<a href='p.html'>link</a>"),
                           {{QStringLiteral("URL"), QStringLiteral("mailto:a@b.c")}});
    EXPECT_EQ(getRichTextCommand(fileBase).value<AttributedString>().attributeAtIndex(QStringLiteral("Link"), 0),
              QVariant(QStringLiteral("p.html")));
}

TEST(MarkupCommands, AddressListsResolveAndFilter)
{
    const QString page = fixture("page.html");
    ScriptCommand images(page, {{QStringLiteral("type"), QStringLiteral("PNG")}});
    EXPECT_EQ(getImagesCommand(images),
              QVariant(QStringList{"http://example.org/dir/a.png", "http://example.org/dir/B.PNG"}));
    ScriptCommand sheets(page, {});
    EXPECT_EQ(getSheetsAndScriptsCommand(sheets),
              QVariant(QStringList{"http://example.org/dir/site.css", "http://example.org/dir/app.js"}));
    ScriptCommand objects(page, {{QStringLiteral("type"), kNull}});
    EXPECT_EQ(getObjectsCommand(objects),
              QVariant(QStringList{"http://example.org/dir/movie.swf", "http://example.org/dir/clip.mov"}));
    ScriptCommand frames(page, {});
    EXPECT_EQ(getFramesCommand(frames), QVariant(QStringList{"http://example.org/dir/frame.html"}));

    const QString noBase = QStringLiteral("<a href='rel/x.HTML'>a</a><a href='http://h/y.png'>b</a><a href='javascript:z()'>c</a>");
    ScriptCommand links(noBase, {});
    EXPECT_EQ(getLinksCommand(links), QVariant(QStringList{"rel/x.HTML", "http://h/y.png", "javascript:z()"}));
    ScriptCommand typed(noBase, {{QStringLiteral("type"), QStringLiteral("html")}});
    EXPECT_EQ(getLinksCommand(typed), QVariant(QStringList{"rel/x.HTML"}));
    ScriptCommand based(noBase, {{QStringLiteral("baseURL"), QUrl(QStringLiteral("http://s.org/a/"))}});
    EXPECT_EQ(getLinksCommand(based), QVariant(QStringList{"http://s.org/a/rel/x.HTML", "http://h/y.png"}));

    test::LogCapture log;
    ScriptCommand containing(noBase, {{QStringLiteral("containing"), QStringLiteral("Y.P")}});
    EXPECT_EQ(getLinksCommand(containing), QVariant(QStringList{"http://h/y.png"}));
    ScriptCommand badContaining(noBase, {{QStringLiteral("containing"), 3}, {QStringLiteral("type"), QVariantList()}});
    EXPECT_EQ(getLinksCommand(badContaining), QVariant(QStringList{"rel/x.HTML", "http://h/y.png", "javascript:z()"}));
    EXPECT_EQ(badContaining.scriptErrorNumber(), kScriptErrorInvalidArgument);
    EXPECT_EQ(log.lines().size(), 2);   // "containing", then "type"
    EXPECT_EQ(badContaining.scriptErrorString(), QStringLiteral("Invalid argument type"));
}

TEST(MarkupCommands, FeedsOfEveryKind)
{
    const struct {
        const char* file;
        QStringList titles;
        QString firstLink;
    } cases[] = {
        {"rss2.xml", {QString::fromUtf8("First édition"), QStringLiteral("Second")}, QStringLiteral("http://example.org/posts/1.html")},
        {"rdf.xml", {QStringLiteral("Item A")}, QStringLiteral("http://example.org/a")},
        {"atom.xml", {QStringLiteral("Entry <i>one</i>")}, QStringLiteral("http://example.org/entries/1")},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.file);
        ScriptCommand command(fixture(row.file), {{QStringLiteral("baseURL"), QStringLiteral("http://example.org/")}});
        const QVariantList items = getFeedsCommand(command).toList();
        QStringList titles;
        for (const QVariant& item : items)
            titles.append(item.toMap().value(QStringLiteral("title")).toString());
        EXPECT_EQ(titles, row.titles);
        ASSERT_FALSE(items.isEmpty());
        const QVariantMap first = items.first().toMap();
        EXPECT_EQ(first.value(QStringLiteral("link")).toString(), row.firstLink);
        EXPECT_TRUE(first.value(QStringLiteral("html")).toString().startsWith(QStringLiteral("<div class=\"feed-item\">")));
    }
    const QList<QVariantMap> atom = getItemsOfFeed(fixture("atom.xml"), URL());
    ASSERT_EQ(atom.size(), 1);
    EXPECT_EQ(atom[0].value(QStringLiteral("author")), QVariant(QStringLiteral("Bob")));
    EXPECT_EQ(atom[0].value(QStringLiteral("description")), QVariant(QStringLiteral("Short")));
    EXPECT_EQ(atom[0].value(QStringLiteral("link")), QVariant(QStringLiteral("entries/1")));
    EXPECT_TRUE(getItemsOfFeed(QStringLiteral("<html><p>no feed</p></html>"), URL()).isEmpty());
    EXPECT_EQ(getItemsOfFeed(QStringLiteral("<rss><channel><item><title>A</title></item><item><title>B"), URL()).size(), 2);
}

TEST(MarkupCommands, FeedDisplayPage)
{
    ScriptCommand command(fixture("rss2.xml"), {});
    const QString page = convertFeedCommand(command).toString();
    EXPECT_TRUE(page.contains(QStringLiteral("<title>News &amp; Notes</title>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"feed.css\">")));
    EXPECT_TRUE(page.contains(QStringLiteral("<p>Hello world</p>")));
    EXPECT_FALSE(page.contains(QStringLiteral("alert")));
    EXPECT_TRUE(page.contains(QString::fromUtf8("Mon, 01 Jan 2024 10:00:00 GMT \u2014 Ann")));
    const QString ownStyle = stringByConvertingFeed(fixture("atom.xml"), URL(), true);
    EXPECT_TRUE(ownStyle.contains(QStringLiteral("<style>")));
    EXPECT_TRUE(ownStyle.contains(QStringLiteral("<h2><a href=\"entries/1\">Entry &lt;i&gt;one&lt;/i&gt;</a></h2>")));
    EXPECT_TRUE(stringByConvertingFeed(QStringLiteral("<p>x</p>"), URL(), false).isEmpty());
}

} // namespace
} // namespace sorvant
