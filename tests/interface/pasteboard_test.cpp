#include "interface/find_pasteboard.h"
#include "interface/pasteboard.h"

#include "platform/property_list.h"
#include "platform/url.h"
#include "platform/user_defaults.h"
#include "tests/support/log_capture.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(PasteboardTypes, FileTypesCompareExactly)
{
    const struct { QString type; QString extension; } rows[] = {
        {QStringLiteral("public.jpeg"), QStringLiteral("jpg")},
        {QStringLiteral("public.url"), QStringLiteral("url")},
        {QStringLiteral("public.tiff"), QStringLiteral("tiff")},
        {QStringLiteral("public.Tiff"), QString()},
        {QStringLiteral("public.tiff "), QString()},
        {PNGPboardType, QStringLiteral("png")},
        {WebArchivePboardType, QStringLiteral("webarchive")},
        {QString(), QString()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type.toStdString());
        EXPECT_EQ(fileTypeForPboardType(row.type), row.extension);
        EXPECT_EQ(fileTypeForPboardType(row.type).isNull(), row.extension.isNull());
    }
}

TEST(PasteboardReaders, URLPropertyListsReduceToOneString)
{
    const QString url = QStringLiteral("https://example.org/a");
    const struct { const char* name; QVariant data; QString expected; bool logs; } rows[] = {
        {"one element", QVariantList{url}, url, false},
        {"empty base", QVariantList{url, QString()}, url, false},
        {"non-empty base", QVariantList{url, QStringLiteral("https://base/")}, QString(), true},
        {"three elements", QVariantList{url, QString(), QString()}, QString(), true},
        {"number", QVariant(3), QString(), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Pasteboard pasteboard;
        pasteboard.declareTypes({QStringLiteral("public.url")});
        ASSERT_TRUE(pasteboard.setPropertyList(row.data, QStringLiteral("public.url")));
        test::LogCapture log;
        EXPECT_EQ(URLString(pasteboard), row.expected);
        EXPECT_EQ(log.lines().size(), row.logs ? 1 : 0);
        if (row.logs) {
            EXPECT_TRUE(log.lines().value(0).startsWith(QStringLiteral("Unsupported URL data (public.url): ")));
        }
    }
}

TEST(PasteboardWriters, URLWithTitleRoundTrips)
{
    const URL url = URL::URLWithString(QStringLiteral("https://example.org/b?q=1"));
    Pasteboard pasteboard;
    copyToPasteboard(url, pasteboard, QStringLiteral("A/B title"), QVariantMap{{QStringLiteral("k"), 1}});

    EXPECT_TRUE(containsURL(pasteboard));
    EXPECT_TRUE(containsURLs(pasteboard));
    EXPECT_EQ(URLString(pasteboard), url.absoluteString());
    EXPECT_EQ(pasteboard.stringForType(NSPasteboardTypeString), url.absoluteString());
    // The name flavour is a valid file name: no slash.
    EXPECT_FALSE(URLName(pasteboard).contains(QLatin1Char('/')));
    EXPECT_FALSE(URLName(pasteboard).isEmpty());
    const QVariantList lists = pasteboard.propertyListForType(WebURLsWithTitlesPboardType).toList();
    ASSERT_EQ(lists.size(), 2);
    EXPECT_EQ(lists[0].toList(), QVariantList{url.absoluteString()});
    EXPECT_EQ(lists[1].toList(), QVariantList{QStringLiteral("A/B title")});
    EXPECT_EQ(pasteboard.propertyListForType(VelmorBookmarksPboardType).toMap().value(QStringLiteral("k")).toInt(), 1);
    const auto urls = URLsFromPasteboard(pasteboard, NSURLPboardType);
    ASSERT_TRUE(urls.has_value());
    EXPECT_EQ(*urls, QList<URL>{url});
}

TEST(PasteboardWriters, SeveralURLsWithoutTitlesUseDisplayStringsAndLines)
{
    const QList<URL> urls{URL::URLWithString(QStringLiteral("https://example.org/one")),
                          URL::fileURLWithPath(QStringLiteral("/tmp/a b"))};
    Pasteboard pasteboard;
    copyURLsToPasteboard(urls, pasteboard);

    const QVariantList lists = pasteboard.propertyListForType(WebURLsWithTitlesPboardType).toList();
    ASSERT_EQ(lists.size(), 2);
    EXPECT_EQ(lists[0].toList(), (QVariantList{urls[0].absoluteString(), urls[1].absoluteString()}));
    EXPECT_EQ(lists[1].toList().size(), 2);
    EXPECT_FALSE(lists[1].toList().value(0).toString().isEmpty());
    EXPECT_EQ(pasteboard.stringForType(NSPasteboardTypeString), QStringLiteral("https://example.org/one\n/tmp/a b\n"));
    // Other applications get the desktop's URI list.
    EXPECT_EQ(pasteboard.dataForType(NSURLPboardType),
              QByteArray("https://example.org/one\r\nfile:///tmp/a%20b\r\n"));

    // One URL through the list writer takes only the first of its titles.
    copyURLsToPasteboard({urls[0]}, pasteboard, {QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3")});
    EXPECT_EQ(pasteboard.propertyListForType(WebURLsWithTitlesPboardType).toList().value(1).toList(),
              QVariantList{QStringLiteral("T1")});
}

TEST(PasteboardReaders, URLListTypesWithoutUsableData)
{
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("notes.txt"));
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("plain notes\n");
    file.close();

    Pasteboard files;
    files.declareTypes({NSFilenamesPboardType});
    files.setPropertyList(QVariantList{document}, NSFilenamesPboardType);
    EXPECT_FALSE(containsURLs(files));
    const auto none = URLsFromPasteboard(files, NSFilenamesPboardType);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->isEmpty());

    Pasteboard malformed;
    malformed.declareTypes({WebURLsWithTitlesPboardType});
    malformed.setData("not a property list", WebURLsWithTitlesPboardType);
    EXPECT_TRUE(containsURLs(malformed));
    EXPECT_FALSE(URLsFromPasteboard(malformed, WebURLsWithTitlesPboardType).has_value());
    EXPECT_FALSE(URLsFromPasteboard(malformed, QString()).has_value());
}

// A pasted list is walked item by item, so one whose shared values expand
// far past its size (a 1 MB name 4,000 times, 1 MB in binary) is taken as
// no list rather than looked at 4,000 times; one within the bound reads.
TEST(PasteboardReaders, ListsExpandingFarPastTheirSizeAreNoLists)
{
    const QString name(1024 * 1024, u'n');
    for (const qsizetype count : {qsizetype(4000), qsizetype(4)}) {
        SCOPED_TRACE(count);
        Pasteboard pasted;
        pasted.declareTypes({NSFilenamesPboardType});
        const QByteArray data = binaryDataFromPropertyList(QVariantList(count, name));
        ASSERT_LE(data.size(), 2 * 1024 * 1024);
        pasted.setData(data, NSFilenamesPboardType);
        EXPECT_EQ(pasted.propertyListForType(NSFilenamesPboardType).toList().size(), count == 4 ? 4 : 0);
        const auto urls = URLsFromPasteboard(pasted, NSFilenamesPboardType);
        ASSERT_TRUE(urls.has_value());
        EXPECT_TRUE(urls->isEmpty());
    }
}

TEST(PasteboardReaders, PlainTextFromOtherApplications)
{
    // Another application's copy: plain "text/plain" and HTML only.
    Pasteboard pasteboard;
    pasteboard.declareTypes({kPlainTextMimeType, NSPasteboardTypeHTML});
    pasteboard.setData("see www.example.org now", kPlainTextMimeType);
    EXPECT_EQ(stringFromPasteboard(&pasteboard), QStringLiteral("see www.example.org now"));
    EXPECT_TRUE(availableType(pasteboard, NSPasteboardTypeString));
    EXPECT_FALSE(availableType(pasteboard, QString()));
    EXPECT_EQ(stringFromPasteboard(nullptr), QString());

    Pasteboard html;
    html.declareTypes({NSPasteboardTypeHTML});
    html.setString(QStringLiteral("<b>x</b>"), NSPasteboardTypeHTML);
    EXPECT_EQ(stringFromPasteboard(&html), QStringLiteral("<b>x</b>"));
    EXPECT_FALSE(containsURLs(html));
}

TEST(PasteboardWriters, IndexSetsAndStrings)
{
    Pasteboard pasteboard;
    copyToPasteboard(QStringLiteral("kept"), pasteboard);
    EXPECT_FALSE(writeIndexesToPasteboard({}, pasteboard, QStringLiteral("rows")));
    EXPECT_EQ(pasteboard.stringForType(NSPasteboardTypeString), QStringLiteral("kept"));
    EXPECT_EQ(pasteboard.dataForType(kPlainTextMimeType), QByteArray("kept"));

    EXPECT_TRUE(writeIndexesToPasteboard({7, 2, 7, 0}, pasteboard, QStringLiteral("rows")));
    EXPECT_EQ(pasteboard.types(), QStringList{QStringLiteral("rows")});
    QList<qint64> read;
    for (const QVariant& number : pasteboard.propertyListForType(QStringLiteral("rows")).toList())
        read.append(number.toLongLong());
    EXPECT_EQ(read, (QList<qint64>{0, 2, 7}));
}

TEST(PasteboardWriters, ImagesInEveryFormat)
{
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30));
    Pasteboard pasteboard;
    copyToPasteboard(QStringLiteral("before"), pasteboard);
    const bool hasTiff = QImageReader::supportedImageFormats().contains("tiff");
    ASSERT_EQ(copyToPasteboard(image, pasteboard), hasTiff);
    if (!hasTiff) {
        EXPECT_EQ(stringFromPasteboard(&pasteboard), QStringLiteral("before"));
        return;
    }
    for (const QString& type : {NSPasteboardTypeTIFF, kPNGMimeType}) {
        SCOPED_TRACE(type.toStdString());
        const QImage back = QImage::fromData(pasteboard.dataForType(type));
        ASSERT_EQ(back.size(), image.size());
        EXPECT_EQ(back.pixelColor(2, 1), QColor(10, 200, 30));
    }
    EXPECT_FALSE(copyToPasteboard(QImage(), pasteboard));
}

TEST(PasteboardWriters, GeneralPasteboardReachesTheClipboard)
{
    copyToPasteboard(QStringLiteral("clipboard text"), Pasteboard::generalPasteboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("clipboard text"));
    // What another application puts there is read back.
    QGuiApplication::clipboard()->setText(QStringLiteral("from elsewhere"));
    EXPECT_EQ(stringFromPasteboard(&Pasteboard::generalPasteboard()), QStringLiteral("from elsewhere"));
}

// A copy declared its types (an empty offer) and then set each type, and
// every step replaced the clipboard: clipboard managers recorded six entries.
TEST(PasteboardWriters, OneCopyChangesTheClipboardOnceWithTheWholeOffer)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    QList<QStringList> offers;
    const auto connection = QObject::connect(clipboard, &QClipboard::dataChanged, [&] {
        offers.append(clipboard->mimeData()->formats());
    });
    const URL url = URL::URLWithString(QStringLiteral("https://example.org/page"));
    const QVariantMap bookmark{{QStringLiteral("k"), 1}};
    copyToPasteboard(url, Pasteboard::generalPasteboard(), QStringLiteral("Page"), bookmark);
    copyURLsToPasteboard({url, URL::fileURLWithPath(QStringLiteral("/tmp/a b"))}, Pasteboard::generalPasteboard());
    copyToPasteboard(QStringLiteral("text"), Pasteboard::generalPasteboard());
    QObject::disconnect(connection);
    ASSERT_EQ(offers.size(), 3);
    for (const QString& type : {NSPasteboardTypeString, NSURLPboardType, URLFlavorPboardType, URLNameFlavorPboardType,
                                WebURLsWithTitlesPboardType, VelmorBookmarksPboardType})
        EXPECT_TRUE(offers[0].contains(type)) << type.toStdString();
    EXPECT_TRUE(offers[1].contains(WebURLsWithTitlesPboardType));
    EXPECT_TRUE(offers[2].contains(NSPasteboardTypeString));

    // Batches nest: only the outermost one publishes.
    Pasteboard::ChangeBatch outer(Pasteboard::generalPasteboard());
    copyToPasteboard(QStringLiteral("inner"), Pasteboard::generalPasteboard());
    EXPECT_EQ(clipboard->text(), QStringLiteral("text"));
    EXPECT_EQ(stringFromPasteboard(&Pasteboard::generalPasteboard()), QStringLiteral("inner"));
}

TEST(FindPasteboard, PersistsTheLastPhrase)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.plist")));
    {
        FindPasteboard first(&defaults);
        EXPECT_TRUE(first.types().isEmpty());
        copyToPasteboard(QStringLiteral("report 2026"), first);
    }
    FindPasteboard second(&defaults);
    EXPECT_EQ(second.stringForType(NSPasteboardTypeString), QStringLiteral("report 2026"));
    second.declareTypes({});
    FindPasteboard third(&defaults);
    EXPECT_TRUE(third.types().isEmpty());

    copyToFindPboard(QStringLiteral("shared"));
    EXPECT_EQ(findPboardString(), QStringLiteral("shared"));
    clearFindPboard();
    EXPECT_TRUE(findPboardString().isNull());
}

} // namespace
} // namespace sorvant
