#include "search/ds_store.h"

#include "platform/xattr.h"
#include "tests/support/ds_store_writer.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::DSStoreImage;
using test::DSStoreRecord;

constexpr std::uint32_t kIloc = 0x496c6f63; // 'Iloc'
constexpr std::uint32_t kBlob = 0x626c6f62;
constexpr std::uint32_t kLong = 0x6c6f6e67;
constexpr std::uint32_t kBool = 0x626f6f6c;
constexpr std::uint32_t kDutc = 0x64757463;

// The comments of a folder's many items, with other record kinds between
// them, so that skipping values of every type is exercised.
QList<DSStoreRecord> mixedRecords(int count)
{
    QList<DSStoreRecord> records;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("item %1.txt").arg(i, 4, 10, QLatin1Char('0'));
        records.append({name, kIloc, kBlob, QByteArray(16, char(i))});
        records.append(DSStoreRecord::comment(name, QStringLiteral("note %1").arg(i)));
        records.append({name, 0x6c737673, kBool, true}); // 'lsvs'
        records.append({name, 0x6d6f4444, kDutc, qint64(i) << 40}); // 'moDD'
        records.append({name, 0x6c673153, kLong, i}); // 'lg1S'
    }
    return records;
}

// --- reading written files ---------------------------------------------------------

class DSStoreTreeShape : public testing::TestWithParam<int>
{
};

TEST_P(DSStoreTreeShape, FindsEveryCommentAcrossNodes)
{
    const int count = 300;
    DSStore store(test::dsStoreBytes(mixedRecords(count), GetParam()));
    ASSERT_TRUE(store.isValid());
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(store.finderCommentForFilename(QStringLiteral("item %1.txt").arg(i, 4, 10, QLatin1Char('0'))),
                  QStringLiteral("note %1").arg(i));
    }
    EXPECT_TRUE(store.finderCommentForFilename(QStringLiteral("item 9999.txt")).isNull());
    // The direct search walks the same tree and reads any record kind.
    EXPECT_EQ(store.valueForFilename(QStringLiteral("item 0123.txt"), kDSStoreCommentCode).toString(),
              QStringLiteral("note 123"));
    EXPECT_EQ(store.valueForFilename(QStringLiteral("item 0007.txt"), 0x6c673153).toInt(), 7);
    EXPECT_EQ(store.valueForFilename(QStringLiteral("item 0002.txt"), kIloc).toByteArray(), QByteArray(16, char(2)));
}

INSTANTIATE_TEST_SUITE_P(PerNode, DSStoreTreeShape, testing::Values(2, 3, 7, 1000),
                         [](const testing::TestParamInfo<int>& param) {
                             return "records" + std::to_string(param.param);
                         });

TEST(DSStore, CommentsKeepNonAsciiAndLongText)
{
    const QString longComment = QString(700, QChar(u'é')) + QStringLiteral("\U0001F600 end");
    DSStore store(test::dsStoreBytes({
        DSStoreRecord::comment(QStringLiteral("Résumé.pdf"), QStringLiteral("Überarbeitet – 東京")),
        DSStoreRecord::comment(QStringLiteral("Κείμενο"), QStringLiteral("ελληνικά σχόλια")),
        DSStoreRecord::comment(QStringLiteral("long"), longComment),
    }));
    EXPECT_EQ(store.finderCommentForFilename(QStringLiteral("Résumé.pdf")), QStringLiteral("Überarbeitet – 東京"));
    EXPECT_EQ(store.finderCommentForFilename(QStringLiteral("Κείμενο")), QStringLiteral("ελληνικά σχόλια"));
    EXPECT_EQ(store.finderCommentForFilename(QStringLiteral("long")), longComment);
}

TEST(DSStore, DecomposedAndPrecomposedNamesMatch)
{
    const QString composed = QStringLiteral("Caf\u00e9");
    const QString decomposed = QStringLiteral("Cafe\u0301");
    DSStore stored(test::dsStoreBytes({DSStoreRecord::comment(decomposed, "nfd stored")}));
    EXPECT_EQ(stored.finderCommentForFilename(composed), QStringLiteral("nfd stored"));
    EXPECT_EQ(stored.finderCommentForFilename(decomposed), QStringLiteral("nfd stored"));
    DSStore storedComposed(test::dsStoreBytes({DSStoreRecord::comment(composed, "nfc stored")}));
    EXPECT_EQ(storedComposed.finderCommentForFilename(decomposed), QStringLiteral("nfc stored"));
}

TEST(DSStore, EmptyCommentsAndNamesGiveNothing)
{
    DSStore store(test::dsStoreBytes({
        DSStoreRecord::comment(QStringLiteral("empty"), QString("")),
        DSStoreRecord{QStringLiteral("blob comment"), kDSStoreCommentCode, kBlob, QByteArray("xy")},
        DSStoreRecord::comment(QStringLiteral("later"), QStringLiteral("found")),
    }));
    EXPECT_TRUE(store.finderCommentForFilename(QStringLiteral("empty")).isNull());
    EXPECT_TRUE(store.finderCommentForFilename(QStringLiteral("blob comment")).isNull());
    EXPECT_TRUE(store.finderCommentForFilename(QString()).isNull());
    EXPECT_TRUE(store.finderCommentForFilename(QStringLiteral("")).isNull());
    EXPECT_EQ(store.finderCommentForFilename(QStringLiteral("later")), QStringLiteral("found"));
}

// --- damaged files ---------------------------------------------------------------

struct Damage
{
    const char* name;
    std::function<void(QByteArray&)> apply;
};

void put32(QByteArray& bytes, qsizetype at, std::uint32_t value)
{
    if (at + 4 <= bytes.size())
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(value >> (24 - 8 * i));
}

TEST(DSStore, DamagedHeadersGiveNoCommentsAndAWarning)
{
    const QByteArray good = test::dsStoreBytes(mixedRecords(20), 4);
    const std::uint32_t rootOffset = (std::uint8_t(good[8]) << 24) | (std::uint8_t(good[9]) << 16)
        | (std::uint8_t(good[10]) << 8) | std::uint8_t(good[11]);
    const qsizetype root = 4 + rootOffset;
    const std::vector<Damage> damages = {
        {"first word not 1", [](QByteArray& b) { put32(b, 0, 2); }},
        {"magic not Bud1", [](QByteArray& b) { put32(b, 4, 0x42756432); }},
        {"root offsets differ", [](QByteArray& b) { put32(b, 16, 0x40); }},
        {"root offset past the end", [](QByteArray& b) { put32(b, 8, 0xfffffff0); put32(b, 16, 0xfffffff0); }},
        {"root size past the end", [](QByteArray& b) { put32(b, 12, 0x7fffffff); }},
        {"root size zero", [](QByteArray& b) { put32(b, 12, 0); }},
        {"no block addresses", [root](QByteArray& b) { put32(b, root, 0); }},
        {"address table larger than the file", [root](QByteArray& b) { put32(b, root, 0xffffff00); }},
        {"empty table of contents", [root](QByteArray& b) { put32(b, root + 8 + 1024, 0); }},
        {"only the header", [](QByteArray& b) { b.truncate(36); }},
        {"empty file", [](QByteArray& b) { b.clear(); }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        QByteArray bytes = good;
        damage.apply(bytes);
        DSStore store(bytes);
        EXPECT_FALSE(store.isValid());
        EXPECT_TRUE(store.finderCommentForFilename(QStringLiteral("item 0001.txt")).isNull());

        test::TempTree tree;
        QFile file(tree.filePath(".DS_Store"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        test::LogCapture log;
        EXPECT_EQ(DSStore::storeWithDirectory(tree.path()), nullptr);
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("WARNING: Damaged .DS_Store file: ")));
    }
}

// A tree made by hand: the root (inner) node has children `a` and `b`; each
// leaf holds one comment.
struct HandTree
{
    DSStoreImage image;
    std::uint32_t header = 0, root = 0, a = 0, b = 0;

    explicit HandTree(std::uint32_t aRightmostOverride = 0)
    {
        header = image.addBlock(QByteArray());
        a = image.addBlock(test::nodeBytes(0, {}, {test::recordBytes(DSStoreRecord::comment("a", "in a"))}));
        b = image.addBlock(test::nodeBytes(0, {}, {test::recordBytes(DSStoreRecord::comment("b", "in b"))}));
        root = image.addBlock(test::nodeBytes(b, {a}, {test::recordBytes(DSStoreRecord::comment("m", "in root"))}));
        if (aRightmostOverride)
            image.setBlock(a, test::nodeBytes(aRightmostOverride, {aRightmostOverride},
                                              {test::recordBytes(DSStoreRecord::comment("a", "in a"))}));
        image.setBlock(header, test::treeHeaderBytes(root, 2, 3, 3));
        image.addEntry("DSDB", header);
    }
};

TEST(DSStore, NodeNamingItselfIsWalkedOnceWithoutLog)
{
    HandTree tree;
    // Leaf `a` becomes an inner node whose child and rightmost child are
    // itself.
    tree.image.setBlock(tree.a, test::nodeBytes(tree.a, {tree.a}, {test::recordBytes(DSStoreRecord::comment("a", "in a"))}));
    test::LogCapture log;
    DSStore store(tree.image.build());
    EXPECT_EQ(store.finderCommentForFilename("a"), QStringLiteral("in a"));
    EXPECT_EQ(store.finderCommentForFilename("b"), QStringLiteral("in b"));
    EXPECT_EQ(store.finderCommentForFilename("m"), QStringLiteral("in root"));
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

TEST(DSStore, LoopsAndBadNodesAreCutAndLoggedOnce)
{
    struct Case
    {
        const char* name;
        std::uint32_t childOfA; // the child leaf `a` is turned to point at
        int invalid;
        int reused;
    };
    HandTree probe;
    const std::vector<Case> cases = {
        {"back to the root", probe.root, 0, 1},
        {"to a sibling walked later", probe.b, 0, 1},
        {"past the address table", 4000, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HandTree tree(c.childOfA);
        test::LogCapture log;
        DSStore store(tree.image.build());
        ASSERT_TRUE(store.isValid());
        EXPECT_EQ(store.finderCommentForFilename("a"), QStringLiteral("in a"));
        EXPECT_EQ(store.finderCommentForFilename("b"), QStringLiteral("in b"));
        EXPECT_EQ(store.finderCommentForFilename("m"), QStringLiteral("in root"));
        // Every further walk of the same damaged tree stays silent.
        for (const char* name : {"a", "b", "m", "none"})
            (void)store.valueForFilename(QString::fromLatin1(name), kDSStoreCommentCode);
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
        const QRegularExpression expected(
            QStringLiteral("^WARNING: Damaged .DS_Store file \\(in memory\\): %1 invalid and %2 reused node "
                           "references \\(max 256 nodes\\)\\.$")
                .arg(c.invalid ? QStringLiteral("[1-9]\\d*") : QStringLiteral("0"),
                     c.reused ? QStringLiteral("[1-9]\\d*") : QStringLiteral("0")));
        EXPECT_TRUE(expected.match(log.lines().first()).hasMatch()) << log.lines().first().toStdString();
    }
}

TEST(DSStore, MissingBlocksAndShortRecordsEndTheirBranch)
{
    HandTree tree;
    // The address of leaf `b` points past the end of the file.
    QByteArray bytes = tree.image.build();
    const qsizetype rootBlock = qsizetype(tree.image.fileOffsetOfBlock(0));
    put32(bytes, rootBlock + 8 + 4 * tree.b, 0x7fff0000 | 10);
    DSStore store(bytes);
    EXPECT_EQ(store.finderCommentForFilename("a"), QStringLiteral("in a"));
    EXPECT_TRUE(store.finderCommentForFilename("b").isNull());

    // A record whose name length runs past its block.
    HandTree shortRecord;
    shortRecord.image.setBlock(shortRecord.b, test::nodeBytes(0, {}, {QByteArray("\x7f\xff\xff\xff", 4)}));
    DSStore store2(shortRecord.image.build());
    EXPECT_EQ(store2.finderCommentForFilename("a"), QStringLiteral("in a"));
    EXPECT_TRUE(store2.finderCommentForFilename("b").isNull());
}

TEST(DSStore, CutFilesNeverInventComments)
{
    const QList<DSStoreRecord> records = mixedRecords(40);
    const QByteArray good = test::dsStoreBytes(records, 3);
    const auto check = [](const QByteArray& bytes) {
        DSStore store(bytes);
        for (int i = 0; i < 40; i += 7) {
            const QString comment =
                store.finderCommentForFilename(QStringLiteral("item %1.txt").arg(i, 4, 10, QLatin1Char('0')));
            if (!comment.isNull() && comment != QStringLiteral("note %1").arg(i))
                return false;
        }
        return true;
    };
    test::LogCapture quiet;
    for (qsizetype length = 0; length < good.size(); length += 13) {
        SCOPED_TRACE(length);
        EXPECT_TRUE(check(good.left(length)));
    }
}

// --- streams ---------------------------------------------------------------------------

TEST(DSStoreStream, ReadsBigEndianAndStopsAtTheWindow)
{
    const QByteArray file = QByteArray::fromHex("00000000" "0102030405060708" "ff");
    DSStoreStream stream(file, 0, 8); // bytes 4..11
    EXPECT_EQ(stream.readUInt16(), 0x0102u);
    EXPECT_EQ(stream.readUInt32(), 0x03040506u);
    EXPECT_EQ(stream.remainingBytes(), 2u);
    EXPECT_EQ(stream.readUInt32(), 0u); // does not fit: zero, moved to the end
    EXPECT_TRUE(stream.isEOF());
    EXPECT_EQ(stream.readUInt8(), 0u);

    DSStoreStream wide(file, 0, 1000); // declared past the file's end
    EXPECT_EQ(wide.readUInt64(), 0x0102030405060708u);
    EXPECT_EQ(wide.readUInt8(), 0xffu);
    EXPECT_EQ(wide.readUInt8(), 0u);
    EXPECT_TRUE(wide.readDataOfLength(1).isNull());

    DSStoreStream skipping(file, 0, 8);
    skipping.skipBytes(5);
    EXPECT_EQ(skipping.readUInt8(), 0x06u);
    skipping.skipBytes(std::uint64_t(-1));
    EXPECT_EQ(skipping.position(), 8u);
    EXPECT_TRUE(DSStoreStream(file, 0xffffffff, 0xffffffff).readDataOfLength(4).isNull());
}

TEST(DSStoreAllocator, DecodesBlockAddresses)
{
    HandTree tree;
    const QByteArray bytes = tree.image.build(3);
    DSStoreAllocator allocator(bytes);
    ASSERT_TRUE(allocator.isValid());
    EXPECT_EQ(allocator.numberOfBlocks(), 256u);
    EXPECT_EQ(allocator.indexOfEntryNamed("DSDB"), std::int64_t(tree.header));
    EXPECT_EQ(allocator.indexOfEntryNamed(""), -1);
    EXPECT_EQ(allocator.indexOfEntryNamed("none"), -1);
    EXPECT_EQ(allocator.offsetAtIndex(tree.root) + 4, tree.image.fileOffsetOfBlock(tree.root));
    EXPECT_EQ(allocator.sizeAtIndex(tree.a), 64u); // 34 bytes, rounded up to a power of two
    EXPECT_EQ(allocator.sizeAtIndex(tree.root + 1), 0u); // an extra, empty address
    EXPECT_EQ(allocator.sizeAtIndex(100000), 0u);
    EXPECT_FALSE(allocator.blockAtIndex(tree.root + 1).isValid());
    EXPECT_TRUE(allocator.blockAtIndex(tree.a).isValid());
}

// --- files and the per-thread cache ----------------------------------------------------

class DSStoreFiles : public testing::Test
{
protected:
    void SetUp() override { DSStore::invalidateFinderCommentsCache(); }
    void TearDown() override { DSStore::invalidateFinderCommentsCache(); }
    test::TempTree tree;
};

TEST_F(DSStoreFiles, ManyLookupsInOneFolderReadTheFileOnce)
{
    ASSERT_TRUE(test::writeDSStore(tree.path(), mixedRecords(50), 8));
    const std::uint64_t before = DSStore::storesOpenedOnThisThread();
    for (int i = 0; i < 10000; ++i) {
        const int item = i % 60;
        const QString comment = DSStore::finderCommentAtPath(
            tree.filePath(QStringLiteral("item %1.txt").arg(item, 4, 10, QLatin1Char('0'))));
        if (item < 50)
            ASSERT_EQ(comment, QStringLiteral("note %1").arg(item));
        else
            ASSERT_TRUE(comment.isNull());
    }
    EXPECT_EQ(DSStore::storesOpenedOnThisThread() - before, 1u);

    // Another folder replaces the cached store; coming back reads again.
    const QString other = tree.makeDir("other");
    EXPECT_TRUE(DSStore::finderCommentAtPath(other + "/x").isNull());
    EXPECT_FALSE(DSStore::finderCommentAtPath(tree.filePath("item 0001.txt")).isNull());
    EXPECT_EQ(DSStore::storesOpenedOnThisThread() - before, 3u);
}

TEST_F(DSStoreFiles, ChangesShowAfterInvalidation)
{
    ASSERT_TRUE(test::writeDSStore(tree.path(), {DSStoreRecord::comment("f", "old")}));
    EXPECT_EQ(DSStore::finderCommentAtPath(tree.filePath("f")), QStringLiteral("old"));
    ASSERT_TRUE(test::writeDSStore(tree.path(), {DSStoreRecord::comment("f", "new")}));
    EXPECT_EQ(DSStore::finderCommentAtPath(tree.filePath("f")), QStringLiteral("old")); // within 60 s
    DSStore::invalidateFinderCommentsCache();
    EXPECT_EQ(DSStore::finderCommentAtPath(tree.filePath("f")), QStringLiteral("new"));
}

TEST_F(DSStoreFiles, FolderWithoutStoreOrHeldByAWriterHasNoComments)
{
    EXPECT_TRUE(DSStore::finderCommentAtPath(tree.filePath("f")).isNull());
    EXPECT_EQ(DSStore::storeWithDirectory(tree.path()), nullptr);
    EXPECT_EQ(DSStore::storeWithDirectory(QString()), nullptr);
    EXPECT_EQ(DSStore::storeWithDirectory(tree.filePath("missing")), nullptr);
    EXPECT_TRUE(DSStore::finderCommentAtPath(QStringLiteral("f")).isNull());

    ASSERT_TRUE(test::writeDSStore(tree.path(), {DSStoreRecord::comment("f", "c")}));
    const int fd = ::open(tree.filePath(".DS_Store").toLocal8Bit().constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(DSStore::storeWithDirectory(tree.path()), nullptr);
    ::flock(fd, LOCK_UN);
    EXPECT_NE(DSStore::storeWithDirectory(tree.path()), nullptr);
    ::close(fd);
}

TEST_F(DSStoreFiles, HugeFileIsNotReadIn)
{
    QFile file(tree.filePath(".DS_Store"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(qint64(65) * 1024 * 1024)); // sparse: costs no disk
    file.close();
    test::LogCapture log;
    EXPECT_EQ(DSStore::storeWithDirectory(tree.path()), nullptr);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("WARNING: Damaged .DS_Store file: ")));
}

TEST_F(DSStoreFiles, ModificationDateAndAttributeComment)
{
    EXPECT_FALSE(DSStore::finderCommentModificationDateAtPath(tree.filePath("f")).isValid());
    DSStore::invalidateFinderCommentsCache();
    ASSERT_TRUE(test::writeDSStore(tree.path(), {DSStoreRecord::comment("f", "c")}));
    EXPECT_TRUE(DSStore::finderCommentModificationDateAtPath(tree.filePath("f")).isValid());
    EXPECT_FALSE(DSStore::finderCommentModificationDateAtPath(QString()).isValid());

    const QString file = tree.writeFile("f", "x");
    EXPECT_TRUE(DSStore::spotlightCommentAtPath(file).isNull());
    EXPECT_TRUE(DSStore::spotlightCommentAtPath(QString()).isNull());
    if (!setCommentAtPath(file, QStringLiteral("xattr comment")))
        GTEST_SKIP() << "no user extended attributes on this file system";
    EXPECT_EQ(DSStore::spotlightCommentAtPath(file), QStringLiteral("xattr comment"));
}

} // namespace
} // namespace sorvant
