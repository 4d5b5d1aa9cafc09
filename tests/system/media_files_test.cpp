#include "system/media_files.h"

#include "tests/support/temp_tree.h"

#include "tests/support/media_writer.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(MediaFiles, TableHoldsExtensionsThenTypes)
{
    const QStringList& table = QuickTimeFileTypes();
    ASSERT_EQ(table.size(), 151);
    EXPECT_EQ(table.first(), QStringLiteral("gsm"));
    EXPECT_EQ(table.at(93), QStringLiteral("ts"));
    EXPECT_EQ(table.at(94), QStringLiteral("'GSM '"));
    EXPECT_EQ(table.last(), QStringLiteral("'SwaT'"));
    EXPECT_EQ(table.count(QStringLiteral("webm")), 2);
}

TEST(MediaFiles, QuickTimeExtensionsAndTypes)
{
    const struct
    {
        const char* extension;
        const char* type;
        bool expected;
    } cases[] = {
        {"DAT", "'TEXT'", false}, {"dat", "''", true},   {"dat", "'MooV'", true}, {"MOV", "''", true},
        {"", "'MooV'", true},     {"pdf", nullptr, true}, {"gif", "''", true},    {"txt", "''", false},
        {"txt", "'TEXT'", false}, {"", "", false},        {nullptr, nullptr, false}, {"mooV", "''", false},
        {"x", "'moov'", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.extension ? c.extension : "(null)") + " " + (c.type ? c.type : "(null)"));
        EXPECT_EQ(isQuickTimeExtension(c.extension ? QString::fromLatin1(c.extension) : QString(),
                                       c.type ? QString::fromLatin1(c.type) : QString()),
                  c.expected);
    }
    EXPECT_TRUE(isQuickTimeFile(QStringLiteral("/m/clip.M4V")));
    EXPECT_FALSE(isQuickTimeFile(QStringLiteral("/m/notes.txt")));
    EXPECT_FALSE(isQuickTimeFile(QString()));
}

TEST(MediaFiles, SupportsFileExcludesFourFormats)
{
    const struct
    {
        const char* path;
        bool expected;
    } cases[] = {
        {"/m/a.GIF", false}, {"/m/a.webm", false}, {"/m/a.Flv", false}, {"/m/a.wmv", false},
        {"/m/a.mov", true},  {"/m/a.txt", true},   {"/m/gif", true},    {"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(supportsFile(QString::fromLatin1(c.path)), c.expected);
    }
    EXPECT_FALSE(supportsFile(QString()));
}

TEST(MediaFiles, GetSizeOfMissingAndNonMediaFiles)
{
    test::TempTree tree;
    QSizeF size(5, 5);
    double duration = 7;
    EXPECT_FALSE(getSize(&size, &duration, tree.filePath("missing.mov")));
    EXPECT_EQ(size, QSizeF(0, 0));
    EXPECT_EQ(duration, 0);
    EXPECT_FALSE(getSize(nullptr, nullptr, tree.writeFile("a.txt", "x")));
    EXPECT_FALSE(getSize(&size, &duration, QString()));

    duration = 7;
    EXPECT_TRUE(getSize(&size, &duration, tree.writeFile("notes.mov", "plain text, not a movie")));
    EXPECT_EQ(size, QSizeF(0, 0));
    EXPECT_EQ(duration, 0);

    EXPECT_TRUE(getSize(&size, &duration, tree.writeFile("sound.wav", test::wavBytes(3))));
    EXPECT_EQ(size, QSizeF(0, 0));
    EXPECT_NEAR(duration, 3.0, 0.01);
}

TEST(MediaFiles, MovieSizeDurationAndTurnedSize)
{
    test::TempTree tree;
    const QString upright = tree.filePath("upright.mp4");
    const QString failure = test::writeMovie(upright, 64, 48, 20, 10, 0);
    if (!failure.isEmpty())
        GTEST_SKIP() << failure.toStdString();
    QSizeF size;
    double duration = 0;
    ASSERT_TRUE(getSize(&size, &duration, upright));
    EXPECT_EQ(size, QSizeF(64, 48));
    EXPECT_NEAR(duration, 2.0, 0.15);
    const MovieAsset asset(upright);
    EXPECT_TRUE(asset.isValid());
    EXPECT_EQ(asset.movieSize(), QSizeF(64, 48));

    const QString turned = tree.filePath("turned.mov");
    ASSERT_EQ(test::writeMovie(turned, 64, 48, 10, 10, 90), QString());
    const MovieAsset onItsSide(turned);
    EXPECT_EQ(onItsSide.movieSize(), QSizeF(64, 48));
    EXPECT_EQ(onItsSide.transformedMovieSize(), QSizeF(48, 64));
    ASSERT_TRUE(getSize(&size, nullptr, turned));
    EXPECT_EQ(size, QSizeF(48, 64));
}

} // namespace
} // namespace sorvant
