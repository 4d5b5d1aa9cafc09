// The merged database of a user's and a system's folder, built by
// update-mime-database: caches of other format versions and type files
// that say less than the others.

#include "platform/mime_database.h"

#include "tests/support/log_capture.h"
#include "tests/support/mime_folders.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>

#include <utility>

namespace sorvant {
namespace {

using test::buildMimeFolder;
using test::type;

const QByteArray kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

// The system's pictures and Markdown, with a German comment.
QString systemTypes()
{
    return type("image/png", "PNG image",
                "<glob pattern=\"*.png\"/><magic priority=\"50\"><match type=\"string\" offset=\"0\" "
                "value=\"\\x89PNG\"/></magic>")
           + type("text/markdown", "Markdown document",
                  "<comment xml:lang=\"de\">Markdown-Dokument</comment><sub-class-of type=\"text/plain\"/>"
                  "<glob pattern=\"*.md\"/>");
}

// The user's folder, which adds a pattern to the system's Markdown, and the
// system's, in `tree`.
std::pair<QString, QString> buildUserAndSystem(test::TempTree& tree)
{
    return {buildMimeFolder(tree, QStringLiteral("home/mime"), type("text/markdown", nullptr, "<glob pattern=\"*.mdx\"/>")),
            buildMimeFolder(tree, QStringLiteral("system/mime"), systemTypes())};
}

// Sets the version at the start of a folder's cache.
void setCacheVersion(const QString& folder, quint8 major, quint8 minor)
{
    QFile cache(folder + QStringLiteral("/mime.cache"));
    ASSERT_TRUE(cache.open(QIODevice::ReadWrite));
    const char version[] = {'\0', char(major), '\0', char(minor)};
    ASSERT_EQ(cache.write(version, sizeof version), 4);
}

TEST(MimeDatabase, ACacheOfANewerMinorVersionIsReadAndNamedOnce)
{
    const struct
    {
        const char* name;
        quint8 major;
        quint8 minor;
        bool user;   // the user's cache is of that version
        bool system; // the system's is
        bool read;
    } cases[] = {
        {"user 1.3", 1, 3, true, false, true},
        {"system 1.3", 1, 3, false, true, true},
        {"both 1.7", 1, 7, true, true, true},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        test::TempTree tree;
        const auto [user, system] = buildUserAndSystem(tree);
        ASSERT_FALSE(testing::Test::HasFailure());
        if (entry.user)
            setCacheVersion(user, entry.major, entry.minor);
        if (entry.system)
            setCacheVersion(system, entry.major, entry.minor);
        const struct
        {
            const char* name;
            QByteArray contents;
            const char* type;
            const char* kind;
        } files[] = {
            {"a.png", kPng, "image/png", "PNG image"},
            {"a.md", "# notes\n", "text/markdown", "Markdown document"},
            {"a.mdx", "# notes\n", entry.read || !entry.user ? "text/markdown" : "text/plain",
             entry.read || !entry.user ? "Markdown document" : "text/plain"},
        };
        test::LogCapture log;
        const MimeTypeReader reader({user, system}, std::chrono::milliseconds(0));
        for (int round = 0; round < 2; ++round) {
            for (const auto& file : files) {
                SCOPED_TRACE(file.name);
                const QString answer =
                    reader.typeNameOfFile(QFile::encodeName(tree.writeFile(QString::fromUtf8(file.name), file.contents)));
                EXPECT_EQ(answer, QLatin1StringView(file.type));
                EXPECT_EQ(reader.commentOfType(answer), QString::fromUtf8(file.kind));
            }
        }
        EXPECT_EQ(reader.hasDamagedCache(), !entry.read);
        // One line a cache, however often the folders are looked at.
        ASSERT_EQ(log.lines().size(), int(entry.user) + int(entry.system)) << log.lines().join(u'\n').toStdString();
        for (const QString& line : log.lines())
            EXPECT_TRUE(line.startsWith(QStringLiteral("WARNING: "))) << line.toStdString();
        if (entry.read) {
            EXPECT_TRUE(log.lines().first().contains(QStringLiteral("1.%1").arg(entry.minor)));
        }
    }
}

// A cache of a version the reader does not know was called damaged and
// the user's types dropped, though the packages it was built from are
// beside it. It is named once and its folder read as one without a cache:
// by its packages (Qt's database reads them, as it reads no such cache), or,
// with none, not at all while the other folders' caches answer.
TEST(MimeDatabase, ACacheOfAnUnknownVersionLeavesItsFolderToItsPackages)
{
    const struct
    {
        const char* name;
        quint8 major;
        quint8 minor;
        bool user;     // the user's cache is of that version, else the system's
        bool packages; // that folder keeps its packages
    } cases[] = {
        {"user 1.0", 1, 0, true, true}, // the first layout's entries are shorter
        {"user 2.0", 2, 0, true, true},
        {"user 2.2", 2, 2, true, true},
        {"system 0.9", 0, 9, false, true},
        {"user 2.0 without packages", 2, 0, true, false},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        test::TempTree tree;
        const auto [user, system] = buildUserAndSystem(tree);
        ASSERT_FALSE(testing::Test::HasFailure());
        const QString other = entry.user ? user : system;
        setCacheVersion(other, entry.major, entry.minor);
        if (!entry.packages) {
            ASSERT_TRUE(QDir(other + QStringLiteral("/packages")).removeRecursively());
        }
        test::LogCapture log;
        const MimeTypeReader reader({user, system}, std::chrono::milliseconds(0));
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(reader.answers(), !entry.packages);
            EXPECT_FALSE(reader.hasDamagedCache());
            // Without packages the sound cache answers alone.
            if (!entry.packages) {
                EXPECT_EQ(reader.typeNameOfFileName(QStringLiteral("a.md")), u"text/markdown");
                EXPECT_EQ(reader.typeNameOfFileName(QStringLiteral("a.mdx")), u"application/octet-stream");
            }
        }
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
        EXPECT_EQ(log.lines().first(),
                  QStringLiteral("WARNING: MIME cache %1/mime.cache is of version %2.%3, which this reader does not "
                                 "know: file types are read from the folder's packages")
                      .arg(other)
                      .arg(entry.major)
                      .arg(entry.minor));
    }
}

TEST(MimeDatabase, ACommentAFolderLacksComesFromTheNextFolder)
{
    test::TempTree tree;
    const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"), systemTypes());
    const struct
    {
        const char* name;
        const char* comment;   // the user's default comment
        const char* rules;     // the user's other elements
        const char* english;   // the comment in English
        const char* german;    // in German
    } cases[] = {
        // A pattern added, nothing said: the system's comments stay.
        {"none", nullptr, "<glob pattern=\"*.mdx\"/>", "Markdown document", "Markdown-Dokument"},
        // The user's comment without a language, the system's German.
        {"default", "My notes", "", "My notes", "Markdown-Dokument"},
        // A German one alone: English from the system.
        {"german", nullptr, "<comment xml:lang=\"de\">Meine Notizen</comment>", "Markdown document", "Meine Notizen"},
    };
    const QLocale before;
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        const QString user = buildMimeFolder(tree, QStringLiteral("home-%1/mime").arg(QLatin1StringView(entry.name)),
                                             type("text/markdown", entry.comment, entry.rules));
        ASSERT_FALSE(testing::Test::HasFailure());
        const MimeTypeReader reader({user, system});
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(reader.commentOfType(QStringLiteral("text/markdown")), QString::fromUtf8(entry.english));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
        EXPECT_EQ(reader.commentOfType(QStringLiteral("text/markdown")), QString::fromUtf8(entry.german));
        EXPECT_TRUE(reader.knowsType(QStringLiteral("text/markdown")));
    }
    QLocale::setDefault(before);
}

} // namespace
} // namespace sorvant
