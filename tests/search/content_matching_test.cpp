// Tests of ContentMatcher (search/content_matching.h): which files are read
// relative to their folder's descriptor, how their bytes are decoded, and
// when a file is not read at all.

#include "search/content_matching.h"

#include "search/search_params.h"
#include "tests/support/temp_tree.h"
#include "tests/system/temporary_home.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

using test::TempTree;

QByteArray utf16WithMark(const QString& text, bool bigEndian)
{
    QByteArray bytes = bigEndian ? QByteArray("\xfe\xff") : QByteArray("\xff\xfe");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xff);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

class ContentMatcherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_params.mode = kSearchPhrase;
        m_params.comparison = 1;
        m_params.maxFileSize = 1 << 20;
        setPhrase(QStringLiteral("needle"));
    }
    void TearDown() override
    {
        if (m_folder >= 0)
            ::close(m_folder);
    }
    void setPhrase(const QString& phrase)
    {
        m_params.words = {phrase};
        m_params.wordsCount = 1;
    }
    int folder()
    {
        if (m_folder < 0)
            m_folder = ::open(m_tree.path().toUtf8().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        return m_folder;
    }
    bool matches(const QByteArray& name)
    {
        const ContentMatcher matcher(m_params);
        return matcher.matchesFile(folder(), name, m_buffer);
    }

    test::TemporaryHome m_home;
    TempTree m_tree;
    SearchParams m_params;
    ContentBuffer m_buffer;
    int m_folder = -1;
};

TEST_F(ContentMatcherTest, DecodesLikeTheTextOfAFile)
{
    struct Row
    {
        const char* name;
        QByteArray bytes;
        bool expected;
    };
    const QList<Row> rows = {
        {"utf8", "a NEEDLE here", true},
        {"utf8 with mark", "\xef\xbb\xbfneedle", true},
        {"utf8 without it", "haystack only", false},
        {"utf16 big-endian", utf16WithMark(QStringLiteral("the Needle"), true), true},
        {"utf16 little-endian", utf16WithMark(QStringLiteral("the Needle"), false), true},
        {"utf16 bytes read as text", "n\0e\0e\0d\0l\0e\0", false},
        {"invalid utf8", QByteArray("needle \xe9t\xe9"), false},
        {"empty", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_tree.writeFile(QString::fromLatin1(row.name), row.bytes);
        // The same buffer serves every file, larger and smaller.
        EXPECT_EQ(matches(row.name), row.expected);
    }
}

TEST_F(ContentMatcherTest, ReadsOnlyRegularFilesUnderTheLimit)
{
    m_tree.writeFile(QStringLiteral("exact"), "0123 needle");   // 11 bytes
    m_tree.makeDir(QStringLiteral("needle"));
    ASSERT_EQ(::mkfifo(m_tree.filePath(QStringLiteral("pipe")).toUtf8().constData(), 0600), 0);
    ASSERT_EQ(::symlink("exact", m_tree.filePath(QStringLiteral("link")).toUtf8().constData()), 0);
    ASSERT_EQ(::symlink("missing", m_tree.filePath(QStringLiteral("dangling")).toUtf8().constData()), 0);

    m_params.maxFileSize = 11;
    EXPECT_FALSE(matches("exact")) << "the limit itself is too large";
    m_params.maxFileSize = 12;
    EXPECT_TRUE(matches("exact"));
    EXPECT_TRUE(matches("link")) << "a link to a regular file counts";
    EXPECT_FALSE(matches("dangling"));
    EXPECT_FALSE(matches("needle")) << "a folder";
    EXPECT_FALSE(matches("pipe")) << "a pipe is never read (and never blocks)";
    EXPECT_FALSE(matches("missing"));
    EXPECT_FALSE(matches(QByteArray()));
}

TEST_F(ContentMatcherTest, NamesAreRelativeToTheFolderAndKeepTheirBytes)
{
    const QByteArray name("bad\xffname.txt");
    const QByteArray path = m_tree.path().toUtf8() + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "needle", 6), 6);
    ::close(fd);
    EXPECT_TRUE(matches(name));
    // From another working folder, only the folder's descriptor finds it.
    const ContentMatcher matcher(m_params);
    EXPECT_FALSE(matcher.matchesFile(AT_FDCWD, name, m_buffer));
    EXPECT_TRUE(matcher.matchesFile(AT_FDCWD, path, m_buffer));
}

TEST_F(ContentMatcherTest, StopEndsWithoutAMatch)
{
    m_tree.writeFile(QStringLiteral("a"), "needle");
    ASSERT_TRUE(matches("a"));
    m_params.stop = true;
    EXPECT_FALSE(matches("a"));
}

TEST_F(ContentMatcherTest, EveryModeGoesThroughTheStringMatch)
{
    m_tree.writeFile(QStringLiteral("a"), "alpha beta\ngamma");
    struct Row
    {
        std::uint64_t mode;
        QStringList words;
        bool expected;
    };
    const QList<Row> rows = {
        {kSearchAllWords, {"gamma", "ALPHA"}, true},   {kSearchAllWords, {"gamma", "delta"}, false},
        {kSearchAnyWord, {"delta", "BETA"}, true},      {kSearchAnyWord, {"delta", "epsilon"}, false},
        {kSearchPhrase, {"a beta"}, true},              {kSearchWildcards, {"alpha*"}, true},
        {kSearchWildcards, {"beta*"}, false},           {kSearchQueryTerms, {"beta NOT delta"}, true},
        {kSearchRegularExpression, {"^gam+a$"}, true}, {kSearchRegularExpression, {"^beta"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.words.join(u' ').toStdString());
        m_params.mode = row.mode;
        m_params.words = row.words;
        m_params.wordsCount = std::uint64_t(row.words.size());
        m_params.wildcard = row.mode == kSearchWildcards ? row.words.first() : QString();
        m_params.queryTerms.reset();
        if (row.mode == kSearchQueryTerms)
            m_params.queryTerms = QueryTerms::queryTermsWithWildcard(row.words.first());
        m_params.regex = row.mode == kSearchRegularExpression
                             ? RegularExpression::compile(row.words.first(), kRegexAnchorsMatchLines | 1)
                             : RegularExpression();
        EXPECT_EQ(matches("a"), row.expected);
    }
}

} // namespace
} // namespace sorvant
