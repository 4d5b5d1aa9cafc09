#include "search/result.h"

#include "platform/file_system_representation.h"
#include "platform/notification_center.h"
#include "platform/property_list.h"
#include "platform/xattr.h"
#include "search/ds_store.h"
#include "tests/support/binary_property_list.h"
#include "tests/support/ds_store_writer.h"
#include "tests/support/log_capture.h"
#include "tests/support/media_writer.h"
#include "tests/support/pdf_with_content.h"
#include "tests/support/temp_tree.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

// A PDF of `pages` empty pages; the cross-reference offsets are computed, so
// the file reads without repair.
QByteArray pdfBytes(int pages)
{
    QList<QByteArray> objects;
    QByteArray kids;
    for (int i = 0; i < pages; ++i)
        kids += QByteArray::number(3 + i) + " 0 R ";
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    objects << "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    for (int i = 0; i < pages; ++i)
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>";
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

class ResultTest : public testing::Test
{
protected:
    void SetUp() override { DSStore::invalidateFinderCommentsCache(); }
    void TearDown() override { Result::waitForPendingInfo(); }

    // Waits for the pool, then delivers what it queued on the main thread.
    static void settle()
    {
        Result::waitForPendingInfo();
        QCoreApplication::processEvents();
    }

    // As the application does: information is computed on its pool.
    ResultInfoPool pool;
    test::TempTree tree;
};

TEST_F(ResultTest, DisplayPathIsRelativeToTheBaseFolder)
{
    struct Case
    {
        const char* base;
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"/a", "/a/b/c", "a/b"},
        {"/a", "/a/b/d/c", "a/b/d"},
        {"/a", "/a/c", "a"}, // the folder's name, not "."
        {"/", "/b/c", "/b"},
        {"/", "/c", "/"},
        {"/a/", "/a/b/c", "a/b"}, // not "ab"
        {nullptr, "/a/b/c", "/a/b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ResultPointer result = Result::create(QString::fromLatin1(c.path),
                                                    c.base ? QString::fromLatin1(c.base) : QString(),
                                                    QStringLiteral("c"), std::nullopt, QString(), false, false);
        EXPECT_EQ(result->displayPath(), QString::fromLatin1(c.expected));
    }
}

TEST_F(ResultTest, ResultsOfOneFolderShareTheDisplayPathMadeOnceFromAnyThread)
{
    const auto folder
        = std::make_shared<const ResultFolder>(QStringLiteral("/a/b/d"), QStringLiteral("c"), QStringLiteral("/a"));
    std::vector<ResultPointer> results;
    for (int i = 0; i < 8; ++i)
        results.push_back(Result::create(folder, QStringLiteral("c%1").arg(i), ItemStatus::deferredFor(false),
                                         std::nullopt, QString(), false, false));
    std::vector<const QChar*> seen(results.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { seen[i] = results[i]->displayPath().constData(); });
    for (std::thread& thread : threads)
        thread.join();
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i]->displayPath(), QStringLiteral("a/b/d"));
        EXPECT_EQ(seen[i], seen[0]) << "one string for the folder";
        EXPECT_EQ(results[i]->fullPath(), QStringLiteral("/a/b/d/c%1").arg(i));
    }
    // A name that does not end the path: the path is the item's own.
    const ResultPointer alone = Result::create(QStringLiteral("/a/b/d/c"), QStringLiteral("/a"), QStringLiteral("x"),
                                               std::nullopt, QString(), false, false);
    EXPECT_EQ(alone->fullPath(), QStringLiteral("/a/b/d/c"));
    EXPECT_EQ(alone->displayPath(), QStringLiteral("a/b/d"));
}

// A folder kept as the bytes the walk opened it by gives every path its
// decoded string gives: ASCII or not, bytes that are no UTF-8 included, and
// the bytes again when encoded.
TEST_F(ResultTest, FoldersKeptAsBytesGiveThePathsOfTheirStrings)
{
    const char* const folders[] = {"/a/b", "/a/b/", "/", "/caf\xc3\xa9/x", "/bad\xff/y\xed\xb2\x80", "/a/\xe6\xbc\xa2"};
    const char* const names[] = {"c", "r\xc3\xa9sum\xc3\xa9", "n\xff"};
    const QString bases[] = {QString(), QStringLiteral("/a"), QStringLiteral("/"), QStringLiteral("/a/b")};
    for (const char* bytes : folders) {
        for (const char* nameBytes : names) {
            for (const QString& base : bases) {
                SCOPED_TRACE(testing::Message() << bytes << " " << nameBytes << " " << base.toStdString());
                const QByteArray folderBytes(bytes);
                const QString name = stringWithFileSystemRepresentation(QByteArray(nameBytes));
                const auto kept = std::make_shared<const ResultFolder>(folderBytes, name, base);
                const auto decoded = std::make_shared<const ResultFolder>(
                    stringWithFileSystemRepresentation(folderBytes), name, base);
                const ResultPointer fromBytes = Result::create(kept, name, ItemStatus::deferredFor(false),
                                                               std::nullopt, QString(), false, false);
                const ResultPointer fromString = Result::create(decoded, name, ItemStatus::deferredFor(false),
                                                                std::nullopt, QString(), false, false);
                EXPECT_EQ(fromBytes->fullPath(), fromString->fullPath());
                EXPECT_EQ(fromBytes->displayPath(), fromString->displayPath());
                EXPECT_EQ(fromBytes->type(), fromString->type());
                EXPECT_EQ(kept->folder(), decoded->folder());
                const QByteArray joined = folderBytes.endsWith('/') ? folderBytes : folderBytes + '/';
                EXPECT_EQ(fileSystemRepresentation(fromBytes->fullPath()), joined + nameBytes);
                EXPECT_EQ(fromBytes->fileSystemPath(), joined + nameBytes);
                EXPECT_EQ(fromString->fileSystemPath(), joined + nameBytes);
            }
        }
    }
}

TEST_F(ResultTest, FoldersFilesAndPackages)
{
    const QString folder = tree.makeDir("Folder");
    const ResultPointer dir = Result::create(folder, tree.path(), "Folder", std::nullopt, QString(), true, false);
    EXPECT_EQ(dir->size(), QStringLiteral("--"));
    EXPECT_EQ(dir->fileSize(), 0);
    EXPECT_EQ(dir->signedFileSize(), -1);
    EXPECT_EQ(dir->type(), QStringLiteral("'fldr'"));
    EXPECT_TRUE(dir->info().isNull());
    EXPECT_TRUE(dir->modified().isValid());

    const QString text = tree.writeFile("notes.TXT", QByteArray(1500, 'x'));
    const ResultPointer file = Result::create(text, tree.path(), "notes.TXT", std::nullopt, QString(), false, false);
    EXPECT_EQ(file->fileSize(), 1500);
    EXPECT_EQ(file->size(), QStringLiteral("1.5 KB"));
    EXPECT_EQ(file->type(), QStringLiteral("TXT"));
    EXPECT_EQ(file->resultType(), ResultType::Other);
    EXPECT_FALSE(file->shouldGetInfo());

    const QString app = tree.makeDir("Tool.app");
    tree.makeDir("Tool.app/Contents");
    const QVariantMap plist{{"CFBundleShortVersionString", "2.4.1"}};
    ASSERT_TRUE(writePropertyListFile(app + "/Contents/Info.plist", plist));
    const ResultPointer package = Result::create(app, tree.path(), "Tool.app", std::nullopt, QString(), true, true);
    EXPECT_EQ(package->info(), QStringLiteral("2.4.1"));
    EXPECT_EQ(package->type(), QStringLiteral("app"));
    EXPECT_EQ(package->size(), QStringLiteral("--"));
}

TEST_F(ResultTest, DamagedInfoPlistGivesNoVersionAndOneWarning)
{
    const QString app = tree.makeDir("Bad.app");
    tree.makeDir("Bad.app/Contents");
    // Regression: a NUL inside a string stopped the whole search.
    tree.writeFile("Bad.app/Contents/Info.plist",
                   QByteArray("<plist><dict><key>CFBundleShortVersionString</key><string>1") + '\0'
                       + "</string></dict></plist>");
    test::LogCapture log;
    const ResultPointer package = Result::create(app, tree.path(), "Bad.app", std::nullopt, QString(), true, true);
    EXPECT_TRUE(package->info().isEmpty());
    EXPECT_EQ(package->type(), QStringLiteral("app"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("WARNING: ")) << log.lines()[0].toStdString();
    EXPECT_TRUE(log.lines()[0].contains("Bad.app/Contents/Info.plist")) << log.lines()[0].toStdString();
}

// Regression: after a stop every package already found still had its
// Info.plist read whole, tens of megabytes each, before the search ended.
TEST_F(ResultTest, PackagesFoundAfterAStopReadNoInfoPlist)
{
    constexpr int kPackages = 4;
    constexpr qsizetype kPlistBytes = 4 << 20;
    const QByteArray padding(kPlistBytes, 'x');
    for (int i = 0; i < kPackages; ++i) {
        tree.makeDir(QStringLiteral("P%1.app/Contents").arg(i));
        tree.writeFile(QStringLiteral("P%1.app/Contents/Info.plist").arg(i),
                       "<plist><dict><key>CFBundleShortVersionString</key><string>1.0</string>"
                       "<key>Padding</key><string>" + padding + "</string></dict></plist>");
    }
    const qint64 start = test::bytesReadByProcess();
    if (start < 0)
        GTEST_SKIP() << "the kernel does not count this process's reads";
    const auto readWhileStopped = [&](bool stopped) {
        const std::atomic<bool> stop{stopped};
        const PropertyListReadStop scope(stop);
        const qint64 before = test::bytesReadByProcess();
        std::vector<ResultPointer> packages;
        for (int i = 0; i < kPackages; ++i) {
            const QString name = QStringLiteral("P%1.app").arg(i);
            packages.push_back(Result::create(tree.filePath(name), tree.path(), name, std::nullopt, QString(),
                                              true, true));
            EXPECT_EQ(packages.back()->type(), QStringLiteral("app"));
        }
        return std::pair(test::bytesReadByProcess() - before, packages.front()->knownInfo());
    };
    const auto [readStopped, versionStopped] = readWhileStopped(true);
    const auto [readGoing, versionGoing] = readWhileStopped(false);
    // Without a stop every Info.plist is read whole (the version proves it
    // parsed); after one, none is, whatever else the process reads.
    EXPECT_EQ(versionGoing, QStringLiteral("1.0"));
    EXPECT_GE(readGoing, kPackages * kPlistBytes);
    EXPECT_LT(readStopped, kPlistBytes);
    EXPECT_TRUE(versionStopped.isNull());
}

// Regression: each package found kept its whole version text, so a search
// of 30 packages whose Info.plist was one 63 MB version peaked at 4 GB. A
// version is read no longer than a few hundred characters, in either form,
// however long the text in the file.
TEST_F(ResultTest, APackageKeepsAShortVersionHoweverLongItsText)
{
    const auto versionOf = [&](const QString& name, const QByteArray& plist) {
        tree.makeDir(name + "/Contents");
        tree.writeFile(name + "/Contents/Info.plist", plist);
        return Result::create(tree.filePath(name), tree.path(), name, std::nullopt, QString(), true, true)
            ->knownInfo();
    };
    const auto xml = [](const QByteArray& version) {
        return "<plist><dict><key>CFBundleShortVersionString</key><string>" + version + "</string></dict></plist>";
    };
    const auto binary = [](const QByteArray& version) {
        return test::binaryList({test::container(0xD, {1, 2}), "\x5F\x10\x1A" "CFBundleShortVersionString",
                                 test::marker(0x5, quint64(version.size())) + version});
    };
    for (const qsizetype size : {qsizetype(1) << 20, qsizetype(8) << 20}) {
        SCOPED_TRACE(size);
        const QByteArray version = "1.0." + QByteArray(size, '7');
        for (const auto& [form, plist] : {std::pair("xml", xml(version)), std::pair("binary", binary(version))}) {
            SCOPED_TRACE(form);
            const QString kept = versionOf(QStringLiteral("%1-%2.app").arg(form).arg(size), plist);
            EXPECT_GE(kept.size(), 32);
            EXPECT_LE(kept.size(), 1024);
            EXPECT_TRUE(QString::fromLatin1(version).startsWith(kept)) << kept.left(40).toStdString();
        }
    }
    EXPECT_EQ(versionOf("Short.app", xml("2.4.1 (1234)")), QStringLiteral("2.4.1 (1234)"));
}

TEST_F(ResultTest, ResultTypeFollowsTheExtension)
{
    const struct
    {
        const char* name;
        ResultType type;
    } cases[] = {
        {"a.png", ResultType::Image}, {"a.JPG", ResultType::Image}, {"a.pdf", ResultType::PDF},
        {"a.eps", ResultType::PDF},   {"a.mov", ResultType::Movie}, {"a.MP4", ResultType::Movie},
        {"a.txt", ResultType::Other}, {"noext", ResultType::Other},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tree.writeFile(QString::fromLatin1(c.name), "x");
        const ResultPointer result = Result::create(path, tree.path(), c.name, std::nullopt, QString(), false, false);
        EXPECT_EQ(result->resultType(), c.type);
        EXPECT_EQ(result->shouldGetInfo(), c.type != ResultType::Other);
    }
}

// A FIFO named like a movie used to be typed "Movie" and its information
// read on the pool, which then waited for a writer for ever.
TEST_F(ResultTest, SpecialFilesAreNoDocumentWhateverTheirName)
{
    for (const char* suffix : {".mp4", ".png", ".pdf"}) {
        for (const QString& path : tree.makeSpecialFiles(QStringLiteral("clip"), QString::fromLatin1(suffix))) {
            SCOPED_TRACE(path.toStdString());
            const QString name = path.section(u'/', -1);
            const ResultPointer made = Result::create(path, tree.path(), name, std::nullopt, QString(), false, false);
            EXPECT_EQ(made->resultType(), ResultType::Other);
            EXPECT_FALSE(made->shouldGetInfo());
            EXPECT_TRUE(made->info().isNull());
            // Status read later (a walk that defers it) types the same.
            auto folder = std::make_shared<const ResultFolder>(tree.path(), name, tree.path());
            const ResultPointer deferred = Result::create(folder, name, ItemStatus::deferredFor(false), std::nullopt,
                                                          QString(), false, false);
            EXPECT_EQ(deferred->resultType(), ResultType::Other);
        }
    }
    // A link to a regular picture is still a picture.
    const QString png = tree.filePath("real.png");
    ASSERT_TRUE(QImage(2, 2, QImage::Format_RGB32).save(png));
    ASSERT_TRUE(QFile::link(png, tree.filePath("link.png")));
    EXPECT_EQ(Result::create(tree.filePath("link.png"), tree.path(), "link.png", std::nullopt, QString(), false, false)
                  ->resultType(),
              ResultType::Image);
}

// Quitting waits for pooled work only so long; the pool still runs it.
TEST(ResultInfoPool, DrainIsBounded)
{
    ResultInfoPool pool;
    std::atomic<bool> release{false};
    std::atomic<bool> ran{false};
    pool.start([&] {
        while (!release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ran = true;
    });
    EXPECT_FALSE(pool.drain(QDeadlineTimer(50)));
    release = true;
    EXPECT_TRUE(pool.drain(QDeadlineTimer::Forever));
    EXPECT_TRUE(ran.load());
}

// Without the application's pool (a command, a test) the information is
// computed on the asking thread.
TEST(ResultInfoPool, WithoutAPoolInformationIsComputedAtOnce)
{
    test::TempTree tree;
    const QString png = tree.filePath("picture.png");
    ASSERT_TRUE(QImage(5, 4, QImage::Format_RGB32).save(png));
    const ResultPointer result = Result::create(png, tree.path(), "picture.png", std::nullopt, QString(), false, false);
    EXPECT_EQ(result->info(), QStringLiteral("5 x 4"));
    QCoreApplication::processEvents();
}

TEST_F(ResultTest, InformationIsComputedOnceAndAnnouncedOnTheMainThread)
{
    const QString png = tree.filePath("picture.png");
    ASSERT_TRUE(QImage(7, 3, QImage::Format_RGB32).save(png));
    const ResultPointer result = Result::create(png, tree.path(), "picture.png", std::nullopt, QString(), false, false);

    int posts = 0;
    bool onMainThread = false;
    const auto token = NotificationCenter::defaultCenter().addObserver(
        DidUpdateResultInfoNotification, [&](const Notification& n) {
            ++posts;
            onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            EXPECT_EQ(n.object.value<ResultPointer>().get(), result.get());
        });
    (void)result->info();
    (void)result->info();
    settle();
    (void)result->info();
    settle();
    NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_EQ(result->info(), QStringLiteral("7 x 3"));
    EXPECT_EQ(posts, 1);
    EXPECT_TRUE(onMainThread);
}

TEST_F(ResultTest, PageCountsAndUnreadableFiles)
{
    const struct
    {
        const char* name;
        QByteArray contents;
        const char* info; // null: none
        qint64 size = 0; // made this size (sparse) when larger than the contents
    } cases[] = {
        {"one.pdf", pdfBytes(1), "1 page"},
        {"three.pdf", pdfBytes(3), "3 pages"},
        {"broken.pdf", "not a pdf at all", nullptr},
        {"broken.png", "not a png", nullptr},
        {"broken.mov", "not a movie", nullptr},
        // No index: counting would read it whole.
        {"unindexed.pdf", "%PDF-1.4\n", "Pages not counted", qint64(40) << 20},
    };
    int posts = 0;
    const auto token = NotificationCenter::defaultCenter().addObserver(DidUpdateResultInfoNotification,
                                                                       [&](const Notification&) { ++posts; });
    int expectedPosts = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tree.writeFile(QString::fromLatin1(c.name), c.contents);
        if (c.size > 0) {
            ASSERT_TRUE(QFile::resize(path, c.size));
        }
        const ResultPointer result = Result::create(path, tree.path(), c.name, std::nullopt, QString(), false, false);
        (void)result->info();
        settle();
        EXPECT_EQ(result->info(), c.info ? QString::fromLatin1(c.info) : QString());
        expectedPosts += c.info ? 1 : 0;
    }
    NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_EQ(posts, expectedPosts);
}

TEST_F(ResultTest, MovieAndSoundInformation)
{
    const QString movie = tree.filePath("clip.mp4");
    const QString failure = test::writeMovie(movie, 64, 48, 25, 10); // 2.5 s
    if (!failure.isEmpty())
        GTEST_SKIP() << failure.toStdString();
    const struct
    {
        QString path;
        const char* info;
    } cases[] = {
        {movie, "64 x 48, 00:02"},
        {tree.writeFile("sound.wav", test::wavBytes(95)), "01:35"},
        // A format the information column does not open, though it is media.
        {tree.writeFile("clip.webm", "x"), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const ResultPointer result = Result::create(c.path, tree.path(), "m", std::nullopt, QString(), false, false);
        EXPECT_EQ(result->resultType(), ResultType::Movie);
        (void)result->info();
        settle();
        EXPECT_EQ(result->info(), c.info ? QString::fromLatin1(c.info) : QString());
    }
}

TEST(MovieInfoText, FormatsSizeAndDuration)
{
    const struct
    {
        double width, height, duration;
        const char* expected;
    } cases[] = {
        {320, 240, 95, "320 x 240, 01:35"}, {320.9, 240.2, 0, "320 x 240"}, {0, 0, 95, "01:35"},
        {0, 0, 3700, "61:40"},              {0, 0, 0.5, "00:00"},           {0, 0, 0, nullptr},
        {320, 0, 5, "00:05"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected ? c.expected : "null");
        EXPECT_EQ(movieInfoText(c.width, c.height, c.duration), c.expected ? QString::fromLatin1(c.expected) : QString());
    }
}

TEST_F(ResultTest, LazyTagsCommentAndKind)
{
    const QString file = tree.writeFile("Résumé.txt", "x");
    const QString plain = tree.writeFile("plain.txt", "x");
    ASSERT_TRUE(test::writeDSStore(tree.path(), {test::DSStoreRecord::comment("Résumé.txt", "Überarbeitet")}));

    const ResultPointer result = Result::create(file, tree.path(), "Résumé.txt", std::nullopt, QString(), false, false);
    EXPECT_EQ(result->comment(), QStringLiteral("Überarbeitet"));
    const ResultPointer none = Result::create(plain, tree.path(), "plain.txt", std::nullopt, QString(), false, false);
    EXPECT_FALSE(none->comment().isNull());
    EXPECT_TRUE(none->comment().isEmpty());
    EXPECT_TRUE(none->tags().isEmpty());
    EXPECT_FALSE(none->kind().isEmpty());

    // Values the search already read are kept, not fetched again.
    const ResultPointer given =
        Result::create(plain, tree.path(), "plain.txt", QStringList{"red"}, QStringLiteral("given"), false, false);
    EXPECT_EQ(given->tags(), QStringList{"red"});
    EXPECT_EQ(given->comment(), QStringLiteral("given"));

    if (!setTagNamesAtPath(plain, {"work", "blue"}))
        GTEST_SKIP() << "no user extended attributes on this file system";
    const ResultPointer tagged = Result::create(plain, tree.path(), "plain.txt", std::nullopt, QString(), false, false);
    EXPECT_EQ(tagged->tags(), (QStringList{"work", "blue"}));
}

} // namespace
} // namespace sorvant
