// The cache reader against QMimeDatabase itself, which reads the same
// database by the same rules: every case where a name's lists and a file's
// contents decide, alone or against each other.

#include "search/mime_kinds.h"

#include "platform/mime_cache.h"

#include "tests/support/log_capture.h"
#include "tests/support/mime_folders.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QLocale>
#include <QStandardPaths>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

const QByteArray kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
const QByteArray kElf("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0\x3e\0", 20);
const QByteArray kPdf("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
const QByteArray kGzip("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10);

TEST(MimeKinds, AnswersAsTheMimeDatabaseDoes)
{
    test::TempTree tree;
    const struct
    {
        const char* name;
        QByteArray contents;
    } files[] = {
        {"notes.txt", "plain words\n"},                 // a suffix
        {"NOTES.TXT", "plain words\n"},                 // the suffix in another case
        {"Makefile", "all:\n\ttrue\n"},                 // a literal
        {"makefile", "all:\n"},                         // the literal in another case
        {"README.md", "# title\n"},                     // a glob and a suffix
        {"READMEfirst", "read me\n"},                   // a glob alone
        {"archive.tar.gz", kGzip},                      // the longest suffix wins
        {"archive.gz", kGzip},
        {"picture.png", kPng},                          // name and contents agree
        {"picture.txt", kPng},                          // they disagree
        {"picture", kPng},                              // contents alone
        {"program", kElf},                              // contents alone, masked rules
        {"document.pdf", kPdf},
        {"document.ai", kPdf},                          // a suffix shared by two types
        {"unknown.zzz9", "just text\n"},                // nothing by name: text
        {"unknown.zzz8", QByteArray("\x01\x02\x03\x00\xff", 5)}, // nothing by name: bytes
        {"empty.zzz7", ""},                             // nothing at all
        {"empty.txt", ""},
        {"script", "#!/bin/sh\necho\n"},
        {"page.html", "<html><body>x</body></html>"},
        {"page", "<!DOCTYPE html>\n<html>"},
        {"core.C", "int main() {}\n"},                  // a case-sensitive suffix
        {"core.c", "int main() {}\n"},
        {"\xc3\x9c" "BER.TXT", "text\n"},              // a name that is not ASCII
        {"wide.txt", QByteArray("\xff\xfe" "a\0b\0", 6)},
        {"tool.py", "print(1)\n"},                     // a suffix two types claim with their weights
        {"core", "words\n"},                           // a case-sensitive literal
        {"CORE", "words\n"},
    };
    for (const auto& file : files)
        tree.writeFile(QString::fromUtf8(file.name), file.contents);
    tree.makeDir(QStringLiteral("folder.app"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(tree.filePath(QStringLiteral("pipe.txt"))).constData(), 0600), 0);
    ASSERT_EQ(::symlink("picture", QFile::encodeName(tree.filePath(QStringLiteral("link.txt"))).constData()), 0);
    ASSERT_EQ(::symlink("missing", QFile::encodeName(tree.filePath(QStringLiteral("dangling.txt"))).constData()), 0);

    QStringList names;
    for (const auto& file : files)
        names.append(QString::fromUtf8(file.name));
    names << "folder.app" << "pipe.txt" << "link.txt" << "dangling.txt";
    const QMimeDatabase database;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString path = tree.filePath(name);
        const QString type = mimeTypeNameOfFile(QFile::encodeName(path));
        if (type.isNull())
            GTEST_SKIP() << "no MIME cache here: QMimeDatabase answers";
        EXPECT_EQ(type, database.mimeTypeForFile(path).name());
        EXPECT_EQ(mimeKindOfFile(path), database.mimeTypeForFile(path).comment());
    }
    EXPECT_TRUE(mimeTypeNameOfFile(QByteArray()).isNull());
}

using test::buildMimeFolder;
using test::kPackageHead;
using test::type;

// Waits up to `seconds` for `condition`.
template<typename Condition>
bool waitFor(Condition condition, int seconds)
{
    const QDeadlineTimer deadline(std::chrono::seconds{seconds});
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

const QByteArray kBytes("\x01\x02\x03\x00\xff", 5);

TEST(MimeKinds, WeightsLengthAndCaseOfPatternsDecide)
{
    test::TempTree tree;
    const QString folder = buildMimeFolder(
        tree, QStringLiteral("system/mime"),
        // Both claim "*.dup"; the lighter one sorts first by name.
        type("application/x-alpha", "alpha", "<glob pattern=\"*.dup\" weight=\"40\"/>")
            + type("application/x-beta", "beta", "<glob pattern=\"*.dup\" weight=\"60\"/>")
            + type("application/x-gamma", "gamma", "<glob pattern=\"*.twin\"/>")
            + type("application/x-delta", "delta", "<glob pattern=\"*.twin\"/>")
            + type("application/x-core", "core", "<glob pattern=\"core\" case-sensitive=\"true\"/>")
            + type("application/x-upper", "upper", "<glob pattern=\"*.UP\" case-sensitive=\"true\"/>")
            + type("application/x-short", "short", "<glob pattern=\"*.gz\"/>")
            + type("application/x-long", "long", "<glob pattern=\"*.tar.gz\"/>")
            + type("application/x-heavy-glob", "heavy glob", "<glob pattern=\"log[0-9]*\" weight=\"80\"/>")
            + type("application/x-light-glob", "light glob", "<glob pattern=\"log*\" weight=\"20\"/>")
            // The heavier pattern the shorter one.
            + type("application/x-short-heavy", "short heavy", "<glob pattern=\"dat*\" weight=\"90\"/>")
            + type("application/x-long-light", "long light", "<glob pattern=\"data[0-9]*\" weight=\"30\"/>")
            + type("application/x-light-literal", "light literal", "<glob pattern=\"notes\" weight=\"10\"/>")
            + type("application/x-heavy-glob-2", "heavy glob", "<glob pattern=\"n*s\" weight=\"90\"/>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const MimeTypeReader reader({folder});
    const struct
    {
        const char* name;
        const char* type;
    } cases[] = {
        {"tool.dup", "application/x-beta"},          // the heavier weight
        {"tool.twin", "application/x-delta"},        // equal weights: the first by name
        {"core", "application/x-core"},              // a case-sensitive literal
        {"CORE", "application/octet-stream"},        // not in another case
        {"Core", "application/octet-stream"},
        {"a.UP", "application/x-upper"},             // a case-sensitive suffix
        {"a.up", "application/octet-stream"},
        {"a.Up", "application/octet-stream"},
        {"a.tar.gz", "application/x-long"},          // the longer suffix
        {"a.gz", "application/x-short"},
        {"log5", "application/x-heavy-glob"},        // globs by weight
        {"logs", "application/x-light-glob"},
        {"data5", "application/x-short-heavy"},      // the heavier, shorter glob
        {"datum", "application/x-short-heavy"},
        {"notes", "application/x-light-literal"},    // a literal keeps heavier globs out
        {"nodes", "application/x-heavy-glob-2"},
        {"nothing.zz", "application/octet-stream"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(reader.typeNameOfFile(QFile::encodeName(tree.writeFile(QString::fromUtf8(entry.name), kBytes))),
                  QLatin1StringView(entry.type));
    }
    EXPECT_FALSE(reader.hasDamagedCache());
}

TEST(MimeKinds, TheUsersFolderComesFirst)
{
    test::TempTree tree;
    const QString user = buildMimeFolder(
        tree, QStringLiteral("home/mime"),
        type("application/x-user-notes", "user notes", "<glob pattern=\"*.notes\"/>")
            + type("application/x-user-only", "user only", "<glob pattern=\"*.mine\"/>")
            + type("application/x-user-magic", "user magic",
                   "<magic priority=\"50\"><match type=\"string\" offset=\"0\" value=\"SAME\"/></magic>")
            + type("application/x-user-child", "user child",
                   "<sub-class-of type=\"application/x-system-magic\"/><glob pattern=\"*.kid\"/>")
            // The user's own patterns for a type of the system's.
            + type("application/x-renamed", "renamed", "<glob-deleteall/><glob pattern=\"*.newer\"/>"));
    const QString system = buildMimeFolder(
        tree, QStringLiteral("system/mime"),
        type("application/x-system-notes", "system notes", "<glob pattern=\"*.notes\"/>")
            + type("application/x-system-only", "system only", "<glob pattern=\"*.theirs\"/>")
            + type("application/x-system-magic", "system magic",
                   "<magic priority=\"50\"><match type=\"string\" offset=\"0\" value=\"SAME\"/></magic>"
                   "<magic priority=\"60\"><match type=\"string\" offset=\"0\" value=\"HIGH\"/></magic>")
            + type("application/x-system-other", "system other", "<glob pattern=\"*.kid\"/>")
            + type("application/x-renamed", "renamed", "<glob pattern=\"*.older\"/>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const struct
    {
        const char* name;
        QByteArray contents;
        const char* userFirst;
        const char* systemAlone;
    } cases[] = {
        {"a.notes", kBytes, "application/x-user-notes", "application/x-system-notes"}, // the user's glob wins
        {"a.mine", kBytes, "application/x-user-only", "application/octet-stream"},
        {"a.theirs", kBytes, "application/x-system-only", "application/x-system-only"}, // the system's still read
        {"same", "SAME and more", "application/x-user-magic", "application/x-system-magic"}, // equal priority
        {"high", "HIGH and more", "application/x-system-magic", "application/x-system-magic"},
        // Two names match; the contents pick the one whose parent (given
        // by the user's folder) the system's magic names.
        {"b.kid", "HIGH and more", "application/x-user-child", "application/x-system-other"},
        {"a.older", kBytes, "application/octet-stream", "application/x-renamed"}, // deleted by the user
        {"a.newer", kBytes, "application/x-renamed", "application/octet-stream"},
        {"__NOGLOBS__", kBytes, "application/octet-stream", "application/octet-stream"}, // the mark, no pattern
    };
    const MimeTypeReader merged({user, system});
    const MimeTypeReader systemAlone({system});
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        const QByteArray path = QFile::encodeName(tree.writeFile(QString::fromUtf8(entry.name), entry.contents));
        EXPECT_EQ(merged.typeNameOfFile(path), QLatin1StringView(entry.userFirst));
        EXPECT_EQ(systemAlone.typeNameOfFile(path), QLatin1StringView(entry.systemAlone));
    }
    // A folder with packages but no cache: QMimeDatabase answers.
    tree.writeFile(QStringLiteral("bare/mime/packages/made.xml"), QByteArray(kPackageHead) + "</mime-info>\n");
    EXPECT_TRUE(MimeTypeReader({tree.filePath(QStringLiteral("bare/mime")), system})
                    .typeNameOfFile(QFile::encodeName(tree.filePath(QStringLiteral("a.notes"))))
                    .isNull());
    // One without packages defines nothing.
    EXPECT_EQ(MimeTypeReader({tree.makeDir(QStringLiteral("empty/mime")), system})
                  .typeNameOfFile(QFile::encodeName(tree.filePath(QStringLiteral("a.notes")))),
              QStringLiteral("application/x-system-notes"));
}

TEST(MimeKinds, AChangedCacheIsReadAgain)
{
    test::TempTree tree;
    const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"),
                                           type("application/x-system-notes", "system notes", "<glob pattern=\"*.notes\"/>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const QString user = tree.filePath(QStringLiteral("home/mime")); // made later
    const MimeTypeReader reader({user, system}, std::chrono::milliseconds(50));
    const QByteArray path = QFile::encodeName(tree.writeFile(QStringLiteral("a.notes"), kBytes));
    EXPECT_EQ(reader.typeNameOfFile(path), QStringLiteral("application/x-system-notes"));

    for (const char* name : {"application/x-user-notes", "application/x-user-notes-2"}) {
        buildMimeFolder(tree, QStringLiteral("home/mime"), type(name, "user notes", "<glob pattern=\"*.notes\"/>"));
        ASSERT_FALSE(testing::Test::HasFailure());
        EXPECT_TRUE(waitFor([&] { return reader.typeNameOfFile(path) == QLatin1StringView(name); }, 30))
            << "still " << reader.typeNameOfFile(path).toStdString() << " instead of " << name;
    }
    ASSERT_TRUE(QFile::remove(user + QStringLiteral("/mime.cache")));
    EXPECT_TRUE(waitFor([&] { return reader.typeNameOfFile(path).isNull(); }, 30)) << "its packages remain";
}

TEST(MimeKinds, LookupsOnManyThreadsSeeWholeCachesWhileTheyChange)
{
    test::TempTree tree;
    const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"),
                                           type("application/x-system-notes", "system notes", "<glob pattern=\"*.notes\"/>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const QString user = buildMimeFolder(tree, QStringLiteral("home/mime"),
                                         type("application/x-user-0", "user", "<glob pattern=\"*.notes\"/>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const MimeTypeReader reader({user, system}, std::chrono::milliseconds(0));
    const QByteArray path = QFile::encodeName(tree.writeFile(QStringLiteral("a.notes"), kBytes));
    const QStringList expected{QStringLiteral("application/x-user-0"), QStringLiteral("application/x-user-1"),
                               QStringLiteral("application/x-user-2"), QStringLiteral("application/x-user-3")};
    std::atomic<bool> done{false};
    std::atomic<int> unexpected{0};
    std::atomic<int> lookups{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            while (!done.load()) {
                if (!expected.contains(reader.typeNameOfFile(path)))
                    ++unexpected;
                ++lookups;
            }
        });
    }
    for (int round = 1; round <= 3; ++round) {
        const QByteArray name = "application/x-user-" + QByteArray::number(round);
        buildMimeFolder(tree, QStringLiteral("home/mime"), type(name.constData(), "user", "<glob pattern=\"*.notes\"/>"));
        EXPECT_TRUE(waitFor([&] { return reader.typeNameOfFile(path) == QLatin1StringView(name); }, 30));
    }
    done = true;
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_GT(lookups.load(), 0);
}

TEST(MimeKinds, ADamagedCacheIsLeftOutAndNamedOnce)
{
    test::TempTree tree;
    const QString user = buildMimeFolder(tree, QStringLiteral("home/mime"),
                                         type("application/x-user-notes", "user notes",
                                              "<glob pattern=\"*.notes\"/><glob pattern=\"*.n[0-9]\"/><glob pattern=\"*.memo\"/>"
                                              "<magic><match type=\"string\" offset=\"0:64\" value=\"USER\"/></magic>"));
    const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"),
                                           type("application/x-system-notes", "system notes",
                                                "<glob pattern=\"*.notes\"/><glob pattern=\"*.n[0-9]\"/>"
                                                "<magic><match type=\"string\" offset=\"0\" value=\"USER\"/></magic>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    QFile cacheFile(user + QStringLiteral("/mime.cache"));
    ASSERT_TRUE(cacheFile.open(QIODevice::ReadOnly));
    const QByteArray whole = cacheFile.readAll();
    cacheFile.close();
    const QString damagedFolder = tree.makeDir(QStringLiteral("damaged/mime"));
    const QString damaged = damagedFolder + QStringLiteral("/mime.cache");
    const QByteArray paths[] = {QFile::encodeName(tree.writeFile(QStringLiteral("a.notes"), kBytes)),
                                QFile::encodeName(tree.writeFile(QStringLiteral("a.n5"), kBytes)),
                                QFile::encodeName(tree.writeFile(QStringLiteral("user"), "USER and more"))};
    // Every length the file can be cut to, and the whole file.
    int damagedLengths = 0;
    for (qsizetype length = 0; length <= whole.size(); ++length) {
        SCOPED_TRACE(length);
        {
            QFile out(damaged);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ASSERT_EQ(out.write(whole.left(length)), length);
        }
        test::LogCapture log;
        const MimeTypeReader reader({damagedFolder, system});
        const bool leftOut = reader.hasDamagedCache();
        damagedLengths += leftOut;
        for (const QByteArray& path : paths) {
            const QString answer = reader.typeNameOfFile(path);
            if (length == whole.size())
                EXPECT_EQ(answer, QStringLiteral("application/x-user-notes"));
            else if (leftOut || length < 40)
                EXPECT_EQ(answer, QStringLiteral("application/x-system-notes"));
            else
                EXPECT_FALSE(answer.isNull());
        }
        if (leftOut) {
            EXPECT_EQ(reader.commentOfType(QStringLiteral("application/x-system-notes")), QStringLiteral("system notes"));
            EXPECT_EQ(reader.commentOfType(QStringLiteral("application/x-user-notes")),
                      QStringLiteral("application/x-user-notes"));
            ASSERT_EQ(log.lines().size(), 1);
            EXPECT_TRUE(log.lines().first().contains(damaged)) << log.lines().first().toStdString();
        } else {
            EXPECT_TRUE(log.lines().isEmpty());
        }
    }
    // A cut file that still holds together is one whose lists all end
    // before the cut; nearly every cut shows.
    EXPECT_GT(damagedLengths, whole.size() * 9 / 10);

    // A suffix tree whose roots lead back to all the roots: a walk bounded
    // neither in depth nor in the nodes it meets would never end.
    QByteArray cyclic = whole;
    const auto u32 = [&](qsizetype at) {
        return quint32(quint8(cyclic[at])) << 24 | quint32(quint8(cyclic[at + 1])) << 16
               | quint32(quint8(cyclic[at + 2])) << 8 | quint32(quint8(cyclic[at + 3]));
    };
    const auto setU32 = [&](qsizetype at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            cyclic[at + i] = char(value >> (24 - 8 * i));
    };
    const quint32 suffixTree = u32(16);
    const quint32 roots = u32(suffixTree);
    const quint32 firstRoot = u32(suffixTree + 4);
    ASSERT_GE(roots, 2u);
    for (quint32 i = 0; i < roots; ++i) {
        ASSERT_NE(u32(firstRoot + 12 * i), 0u) << "every root is a character";
        setU32(firstRoot + 12 * i + 4, roots);
        setU32(firstRoot + 12 * i + 8, firstRoot);
    }
    {
        QFile out(damaged);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(out.write(cyclic), cyclic.size());
    }
    test::LogCapture log;
    const MimeTypeReader reader({damagedFolder, system});
    EXPECT_TRUE(reader.hasDamagedCache());
    EXPECT_EQ(reader.typeNameOfFile(paths[0]), QStringLiteral("application/x-system-notes"));
}

// The bytes of the file at `path`.
QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 bigEndianAt(const QByteArray& bytes, quint32 at)
{
    return quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16 | quint32(quint8(bytes[at + 2])) << 8
           | quint32(quint8(bytes[at + 3]));
}

// Writes `bytes` over the file at `path` in place (the same inode), in two
// writes, as `cp` onto it does.
void rewriteInPlace(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return;
    const qsizetype half = bytes.size() / 2;
    (void)!::write(fd, bytes.constData(), size_t(half));
    (void)!::write(fd, bytes.constData() + half, size_t(bytes.size() - half));
    ::close(fd);
}

TEST(MimeKinds, OffsetsFarPastTheEndOfEveryListAreRefused)
{
    test::TempTree tree;
    const QString folder = buildMimeFolder(
        tree, QStringLiteral("rich/mime"),
        type("application/x-rich", "rich",
             "<glob pattern=\"*.rich\"/><glob pattern=\"RICHFILE\"/><glob pattern=\"rich[0-9]*\"/>"
             "<alias type=\"application/x-old-rich\"/><sub-class-of type=\"text/plain\"/>"
             "<icon name=\"rich-icon\"/><generic-icon name=\"rich-generic\"/>"
             "<root-XML namespaceURI=\"http://example.org/rich\" localName=\"rich\"/>"
             "<magic priority=\"60\"><match type=\"string\" offset=\"0:8\" value=\"RICH\" mask=\"0xffffffff\">"
             "<match type=\"string\" offset=\"8\" value=\"MORE\"/></match></magic>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const QByteArray whole = contentsOf(folder + QStringLiteral("/mime.cache"));
    ASSERT_GT(whole.size(), 40);
    std::unique_ptr<const MimeCache> cache;
    ASSERT_EQ(MimeCache::fromBytes(whole, cache), MimeCache::Opened::Cache);
    EXPECT_EQ(cache->iconName(QStringLiteral("application/x-rich")), QStringLiteral("rich-icon"));
    EXPECT_EQ(cache->genericIconName(QStringLiteral("application/x-rich")), QStringLiteral("rich-generic"));
    EXPECT_EQ(cache->typeOfAlias(QStringLiteral("application/x-old-rich")), QStringLiteral("application/x-rich"));

    // Every offset and count the lists hold: each list's place, its count
    // and its first entry's strings; a parent list; the suffix tree's
    // nodes; a rule, its matchlet, value, mask and children.
    const auto at = [&](quint32 offset) { return bigEndianAt(whole, offset); };
    struct Place
    {
        std::string what;
        quint32 offset;
    };
    std::vector<Place> places;
    const struct
    {
        const char* name;
        quint32 header;
        quint32 strings;
    } lists[] = {{"aliases", 4, 2},  {"parents", 8, 1},  {"literals", 12, 2},      {"globs", 20, 2},
                 {"namespaces", 28, 3}, {"icons", 32, 2}, {"generic icons", 36, 2}};
    for (const auto& list : lists) {
        const quint32 start = at(list.header);
        ASSERT_GT(at(start), 0u) << list.name << " is empty: its entries would not be tried";
        places.push_back({std::string(list.name) + " place", list.header});
        places.push_back({std::string(list.name) + " count", start});
        for (quint32 s = 0; s < list.strings; ++s)
            places.push_back({std::string(list.name) + " string " + std::to_string(s), start + 4 + 4 * s});
    }
    const quint32 parentEntry = at(8) + 4;
    places.push_back({"parents of a type", parentEntry + 4});
    places.push_back({"a parent's name", at(parentEntry + 4) + 4});
    const quint32 suffixTree = at(16);
    places.push_back({"suffix tree place", 16});
    places.push_back({"suffix tree roots", suffixTree});
    places.push_back({"suffix tree first root", suffixTree + 4});
    const quint32 firstNode = at(suffixTree + 4);
    places.push_back({"suffix node children", firstNode + 4});
    places.push_back({"suffix node first child", firstNode + 8});
    const quint32 magic = at(24);
    places.push_back({"magic place", 24});
    places.push_back({"magic rules", magic});
    places.push_back({"magic first rule", magic + 8});
    const quint32 rule = at(magic + 8);
    places.push_back({"rule type", rule + 4});
    places.push_back({"rule matchlets", rule + 8});
    places.push_back({"rule first matchlet", rule + 12});
    const quint32 matchlet = at(rule + 12);
    places.push_back({"matchlet length", matchlet + 12});
    places.push_back({"matchlet value", matchlet + 16});
    places.push_back({"matchlet mask", matchlet + 20});
    places.push_back({"matchlet children", matchlet + 24});
    places.push_back({"matchlet first child", matchlet + 28});

    for (const Place& place : places) {
        for (const quint32 far : {0x7ffffff0u, 0xfffffff0u}) {
            SCOPED_TRACE(place.what + " = " + std::to_string(far));
            QByteArray damaged = whole;
            for (int i = 0; i < 4; ++i)
                damaged[place.offset + i] = char(far >> (24 - 8 * i));
            std::unique_ptr<const MimeCache> refused;
            EXPECT_EQ(MimeCache::fromBytes(damaged, refused), MimeCache::Opened::Unusable);
            EXPECT_EQ(refused, nullptr);
        }
    }
}

TEST(MimeKinds, ACacheThatIsNoRegularFileIsLeftOutAndNamedOnce)
{
    test::TempTree tree;
    const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"),
                                           type("application/x-system-notes", "system notes", "<glob pattern=\"*.notes\"/>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const QByteArray path = QFile::encodeName(tree.writeFile(QStringLiteral("a.notes"), kBytes));
    const QString fifo = tree.makeDir(QStringLiteral("fifo/mime")) + QStringLiteral("/mime.cache");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = tree.makeDir(QStringLiteral("folder/mime/mime.cache"));
    const QString link = tree.makeDir(QStringLiteral("device/mime")) + QStringLiteral("/mime.cache");
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(link).constData()), 0);
    for (const QString& cache : {fifo, folder, link}) {
        SCOPED_TRACE(cache.toStdString());
        test::LogCapture log;
        const MimeTypeReader reader({cache.left(cache.lastIndexOf(u'/')), system}, std::chrono::milliseconds(0));
        EXPECT_TRUE(reader.hasDamagedCache());
        EXPECT_TRUE(reader.answers());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(reader.typeNameOfFile(path), QStringLiteral("application/x-system-notes"));
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("WARNING: ")));
        EXPECT_TRUE(log.lines().first().contains(cache)) << log.lines().first().toStdString();
    }
}

TEST(MimeKinds, ACacheRewrittenInPlaceWhileReadKillsNothing)
{
    test::TempTree tree;
    const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"),
                                           type("application/x-system-notes", "system notes", "<glob pattern=\"*.notes\"/>"));
    const QString user = buildMimeFolder(tree, QStringLiteral("home/mime"),
                                         type("application/x-user-notes", "user notes",
                                              "<glob pattern=\"*.notes\"/><magic><match type=\"string\" offset=\"0\" "
                                              "value=\"USER\"/></magic>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const QString cachePath = user + QStringLiteral("/mime.cache");
    const QByteArray whole = contentsOf(cachePath);
    const QByteArray path = QFile::encodeName(tree.writeFile(QStringLiteral("a.notes"), "USER words"));
    test::LogCapture log; // the cut caches are named
    const MimeTypeReader reader({user, system}, std::chrono::milliseconds(0));
    std::atomic<bool> done{false};
    std::atomic<int> unexpected{0};
    std::atomic<int> lookups{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            while (!done.load()) {
                const QString type = reader.typeNameOfFile(path);
                if (type != u"application/x-user-notes" && type != u"application/x-system-notes")
                    ++unexpected;
                ++lookups;
            }
        });
    }
    // Until the readers have looked many times, each rewrite cutting the
    // file to nothing and growing it again under them.
    for (int rewrites = 0; rewrites < 200 || lookups.load() < 2000; ++rewrites) {
        rewriteInPlace(cachePath, whole);
        if (rewrites > 200'000)
            break;
    }
    done = true;
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_GE(lookups.load(), 2000);
}

TEST(MimeKinds, CommentsComeFromTheTypeFilesOfEveryFolder)
{
    test::TempTree tree;
    const QString user = buildMimeFolder(
        tree, QStringLiteral("home/mime"),
        type("application/x-user-notes", "user notes",
             "<comment xml:lang=\"de\">Notizen</comment><alias type=\"application/x-old-notes\"/>"
             "<glob pattern=\"*.notes\"/>"));
    const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"),
                                           type("application/x-system-notes", "system notes", "<glob pattern=\"*.sys\"/>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    // A folder without a "types" list, as some desktops' are.
    ASSERT_TRUE(QFile::remove(user + QStringLiteral("/types")));
    // The system's cache cut short: its type files remain.
    QFile cache(system + QStringLiteral("/mime.cache"));
    ASSERT_TRUE(cache.resize(cache.size() / 2));
    test::LogCapture log;
    const MimeTypeReader reader({user, system});
    ASSERT_TRUE(reader.hasDamagedCache());
    const struct
    {
        const char* type;
        QLocale locale;
        const char* comment;
    } cases[] = {
        {"application/x-user-notes", QLocale(QLocale::English, QLocale::UnitedStates), "user notes"},
        {"application/x-user-notes", QLocale(QLocale::German, QLocale::Germany), "Notizen"},
        {"application/x-user-notes", QLocale(QLocale::German, QLocale::Austria), "Notizen"},
        {"application/x-user-notes", QLocale(QLocale::French, QLocale::France), "user notes"},
        {"application/x-old-notes", QLocale(QLocale::English, QLocale::UnitedStates), "user notes"}, // an alias
        {"application/x-system-notes", QLocale(QLocale::English, QLocale::UnitedStates), "system notes"},
        {"application/x-nothing", QLocale(QLocale::English, QLocale::UnitedStates), "application/x-nothing"},
        {"", QLocale(QLocale::English, QLocale::UnitedStates), ""},
    };
    const QLocale before;
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::string(entry.type) + " " + entry.locale.name().toStdString());
        QLocale::setDefault(entry.locale);
        EXPECT_EQ(reader.commentOfType(QString::fromLatin1(entry.type)), QString::fromUtf8(entry.comment));
    }
    QLocale::setDefault(before);
}

TEST(MimeKinds, MagicDeleteallDropsTheRulesOfLessImportantFolders)
{
    test::TempTree tree;
    const QString user = buildMimeFolder(
        tree, QStringLiteral("home/mime"),
        type("application/x-rich", "rich",
             "<magic-deleteall/><magic priority=\"50\"><match type=\"string\" offset=\"0\" value=\"NEWR\"/></magic>"));
    const QString system = buildMimeFolder(
        tree, QStringLiteral("system/mime"),
        type("application/x-rich", "rich", "<magic priority=\"50\"><match type=\"string\" offset=\"0\" value=\"RICH\"/></magic>")
            + type("application/x-other", "other",
                   "<magic priority=\"40\"><match type=\"string\" offset=\"0\" value=\"OTHR\"/></magic>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    const struct
    {
        const char* name;
        QByteArray contents;
        const char* userFirst;
        const char* systemAlone;
    } cases[] = {
        {"r1", QByteArray("RICH\x01", 5), "application/octet-stream", "application/x-rich"}, // deleted by the user
        {"r2", QByteArray("NEWR\x01", 5), "application/x-rich", "application/octet-stream"},
        {"r3", QByteArray("OTHR\x01", 5), "application/x-other", "application/x-other"}, // other types keep theirs
        {"r4", QByteArray("__NOMAGIC__\x01", 12), "application/octet-stream", "application/octet-stream"}, // the mark
    };
    const MimeTypeReader merged({user, system});
    const MimeTypeReader systemAlone({system});
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        const QByteArray path = QFile::encodeName(tree.writeFile(QString::fromUtf8(entry.name), entry.contents));
        EXPECT_EQ(merged.typeNameOfFile(path), QLatin1StringView(entry.userFirst));
        EXPECT_EQ(systemAlone.typeNameOfFile(path), QLatin1StringView(entry.systemAlone));
    }
}

TEST(MimeKinds, NamesIconsAndAncestorsAreTheMimeDatabases)
{
    const MimeTypeReader reader;
    if (!reader.answers())
        GTEST_SKIP() << "no MIME cache here: QMimeDatabase answers";
    const QMimeDatabase database;
    for (const char* name : {"text/plain", "text/x-csrc", "text/x-c++src", "application/pdf", "image/png", "image/svg+xml",
                             "application/x-zerosize", "inode/directory", "application/vnd.oasis.opendocument.text",
                             "application/x-shellscript", "text/html", "application/xml", "text/x-csv",
                             "application/x-gzip", "application/x-compressed-tar"}) {
        SCOPED_TRACE(name);
        const QString type = QString::fromLatin1(name);
        const QMimeType mime = database.mimeTypeForName(type);
        if (!mime.isValid())
            continue;
        EXPECT_EQ(reader.canonicalTypeName(type), mime.name());
        EXPECT_TRUE(reader.knowsType(type));
        EXPECT_EQ(reader.iconNameOfType(type), mime.iconName());
        EXPECT_EQ(reader.genericIconNameOfType(type), mime.genericIconName());
        EXPECT_EQ(reader.ancestorsOfType(type), mime.allAncestors());
        EXPECT_EQ(reader.commentOfType(type), mime.comment());
        for (const char* other : {"x.txt", "x.png", "x.tar.gz", "Makefile", "x.zzz9", "x.C", ""})
            EXPECT_EQ(reader.typeNameOfFileName(QString::fromLatin1(other)),
                      database.mimeTypeForFile(QString::fromLatin1(other), QMimeDatabase::MatchExtension).name())
                << other;
    }
    EXPECT_FALSE(reader.knowsType(QStringLiteral("application/x-no-such-type")));
    EXPECT_FALSE(reader.knowsType(QString()));
}

TEST(MimeKinds, TheDriverShowsTheUsersKindsAndOutlivesADamagedCache)
{
    const QString driver = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/sorvant-search");
    test::TempTree tree;
    buildMimeFolder(tree, QStringLiteral("home/.local/share/mime"),
                    type("application/x-user-notes", "Notes of the user", "<glob pattern=\"*.notes\"/>"));
    ASSERT_FALSE(testing::Test::HasFailure());
    tree.writeFile(QStringLiteral("files/a.notes"), kBytes);
    tree.writeFile(QStringLiteral("files/b.txt"), "words\n");
    const auto run = [&](const QString& dataHome, QByteArray& out, QByteArray& err) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        process.setProcessEnvironment(environment);
        process.start(driver, {QStringLiteral("-l"), QStringLiteral("."), tree.filePath(QStringLiteral("files"))});
        EXPECT_TRUE(process.waitForFinished(60'000));
        out = process.readAllStandardOutput();
        err = process.readAllStandardError();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << err.toStdString();
        EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    };
    const QString dataHome = tree.filePath(QStringLiteral("home/.local/share"));
    QByteArray out;
    QByteArray err;
    run(dataHome, out, err);
    EXPECT_TRUE(out.contains("Notes of the user")) << out.toStdString();
    const QString plainText = QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain")).comment();
    EXPECT_TRUE(out.contains(plainText.toUtf8())) << out.toStdString();

    // A cache cut short: the user's type is gone, the system's remain. A
    // copy of the system's cache, whose lists reach far past the cut.
    const QString systemCache = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                       QStringLiteral("mime/mime.cache"));
    if (systemCache.isEmpty())
        GTEST_SKIP() << "no system MIME cache to cut";
    const QString cachePath = dataHome + QStringLiteral("/mime/mime.cache");
    ASSERT_TRUE(QFile::remove(cachePath));
    ASSERT_TRUE(QFile::copy(systemCache, cachePath));
    QFile cache(cachePath);
    ASSERT_TRUE(cache.resize(cache.size() / 2));
    run(dataHome, out, err);
    EXPECT_FALSE(out.contains("Notes of the user")) << out.toStdString();
    EXPECT_TRUE(out.contains("b.txt")) << out.toStdString();
    EXPECT_EQ(err.count("Damaged MIME cache"), 1) << err.toStdString();
}

// Runs the search command on `folder` with `dataHome` as the user's data
// folder, named first in the data folders too; whether it ended on its own
// within a minute (it is killed otherwise) and how.
struct DriverRun
{
    bool finished = false;
    QProcess::ExitStatus status = QProcess::NormalExit;
    QByteArray out;
    QByteArray err;
};

DriverRun runDriver(const QString& dataHome, const QString& folder)
{
    const QString driver = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/sorvant-search");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), dataHome + QStringLiteral(":/usr/local/share:/usr/share"));
    process.setProcessEnvironment(environment);
    process.start(driver, {QStringLiteral("-l"), QStringLiteral("."), folder});
    DriverRun run;
    run.finished = process.waitForFinished(60'000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(10'000);
    }
    run.status = process.exitStatus();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

TEST(MimeKinds, TheDriverOutlivesAFifoAsTheUsersCache)
{
    test::TempTree tree;
    tree.writeFile(QStringLiteral("files/b.txt"), "words\n");
    const QString dataHome = tree.makeDir(QStringLiteral("home/.local/share"));
    const QString cache = tree.makeDir(QStringLiteral("home/.local/share/mime")) + QStringLiteral("/mime.cache");
    ASSERT_EQ(::mkfifo(QFile::encodeName(cache).constData(), 0600), 0);
    const DriverRun run = runDriver(dataHome, tree.filePath(QStringLiteral("files")));
    ASSERT_TRUE(run.finished) << "blocked on the FIFO";
    EXPECT_EQ(run.status, QProcess::NormalExit) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("b.txt")) << run.out.toStdString();
    EXPECT_EQ(run.err.count("MIME cache"), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QFile::encodeName(cache))) << run.err.toStdString();
}

TEST(MimeKinds, TheDriverOutlivesTheUsersCacheRewrittenInPlace)
{
    const QString systemCache = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                       QStringLiteral("mime/mime.cache"));
    if (systemCache.isEmpty())
        GTEST_SKIP() << "no system MIME cache to copy";
    test::TempTree tree;
    // Files of many types, so that each search reads much of the cache.
    const char* const extensions[] = {"txt", "png", "pdf", "c", "html", "tar.gz", "zzz9", "py", "md", "xml"};
    for (int i = 0; i < 400; ++i)
        tree.writeFile(QStringLiteral("files/f%1.%2").arg(i).arg(QLatin1StringView(extensions[i % 10])), "words\n");
    const QString dataHome = tree.makeDir(QStringLiteral("home/.local/share"));
    const QString cache = tree.makeDir(QStringLiteral("home/.local/share/mime")) + QStringLiteral("/mime.cache");
    const QByteArray whole = contentsOf(systemCache);
    ASSERT_FALSE(whole.isEmpty());
    tree.writeFile(QStringLiteral("home/.local/share/mime/mime.cache"), whole);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done.load())
            rewriteInPlace(cache, whole);
    });
    int killed = 0;
    for (int i = 0; i < 6; ++i) {
        const DriverRun run = runDriver(dataHome, tree.filePath(QStringLiteral("files")));
        EXPECT_TRUE(run.finished);
        if (run.status != QProcess::NormalExit)
            ++killed;
    }
    done = true;
    writer.join();
    EXPECT_EQ(killed, 0);
}

} // namespace
} // namespace sorvant

