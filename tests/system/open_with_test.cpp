#include "system/open_with.h"

#include "platform/url.h"
#include "system/bundle.h"
#include "system/mime_applications.h"
#include "tests/support/main_bundle_scope.h"
#include "tests/system/desktop_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Answers by extension from a table and counts the questions.
class CountingLookup : public ApplicationLookup
{
public:
    QStringList applicationsForURL(const URL& url) override
    {
        ++queries;
        return apps.value(QFileInfo(url.path()).suffix());
    }
    QString defaultApplicationForURL(const URL& url) override
    {
        ++queries;
        return defaults.value(QFileInfo(url.path()).suffix());
    }
    int queries = 0;
    QHash<QString, QStringList> apps;
    QHash<QString, QString> defaults;
};

class OpenWith : public testing::Test
{
protected:
    void SetUp() override
    {
        counting.apps = {{"txt", {"/a/edit.desktop", "/a/view.desktop", "/a/print.desktop"}},
                         {"md", {"/a/view.desktop", "/a/edit.desktop"}},
                         {"png", {"/a/paint.desktop"}}};
        counting.defaults = {{"txt", "/a/edit.desktop"}, {"md", "/a/edit.desktop"}, {"png", "/a/paint.desktop"}};
        previous = setApplicationLookup(&counting);
    }
    void TearDown() override { setApplicationLookup(previous); }

    static QStringList files(int count, const QString& extension)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i)
            paths.append(QString("/d/f%1.%2").arg(i).arg(extension));
        return paths;
    }

    CountingLookup counting;
    ApplicationLookup* previous = nullptr;
};

TEST_F(OpenWith, FilesOfOneKindAreLookedUpOnce)
{
    for (int count : {10, 150}) {
        SCOPED_TRACE(count);
        forgetApplicationAnswers();
        counting.queries = 0;
        const QStringList paths = files(count, "txt");
        EXPECT_EQ(applicationsForPaths(paths).size(), 3);
        EXPECT_EQ(counting.queries, 1);
        EXPECT_EQ(defaultApplicationForPaths(paths), "/a/edit.desktop");
        EXPECT_EQ(counting.queries, 2);
        // Asking again with an equal list is answered from memory.
        EXPECT_EQ(applicationsForPaths(paths).size(), 3);
        EXPECT_EQ(defaultApplicationForPaths(paths), "/a/edit.desktop");
        EXPECT_EQ(counting.queries, 2);
    }
}

TEST_F(OpenWith, SelectionsIntersectTheirApplications)
{
    QStringList answer = applicationsForPaths({"/d/a.txt", "/d/b.md", "/d/c.txt"});
    answer.sort();
    EXPECT_EQ(answer, QStringList({"/a/edit.desktop", "/a/view.desktop"}));
    EXPECT_EQ(counting.queries, 2) << "a kind seen before is not asked about again";
    forgetApplicationAnswers();
    counting.queries = 0;
    EXPECT_EQ(applicationsForPaths({"/d/noext", "/d/other"}).size(), 0);
    EXPECT_EQ(counting.queries, 1) << "the first file has no applications: the walk stops";
    counting.apps.insert("", {"/a/edit.desktop"});
    forgetApplicationAnswers();
    EXPECT_EQ(applicationsForPaths({"/d/noext", "/d/other", "/d/third"}).size(), 1);
    EXPECT_EQ(counting.queries, 4) << "files without an extension are each asked about";
    EXPECT_TRUE(applicationsForPaths({"/d/a.txt", "/d/b.png"}).isEmpty());
    EXPECT_TRUE(applicationsForPaths({"/d/a.txt", "/d/nothing.zzz"}).isEmpty());
    EXPECT_TRUE(applicationsForPaths({}).isEmpty());
    EXPECT_TRUE(applicationsForURLs({URL::fileURLWithPath("/d/a.txt"), URL::fileURLWithPath("/d/x.zzz")}).isEmpty());
    EXPECT_EQ(applicationsForURLs({URL::fileURLWithPath("/d/a.png")}), QStringList({"/a/paint.desktop"}));
}

TEST_F(OpenWith, DifferentDefaultsShareNone)
{
    const QStringList mixed {"/d/a.txt", "/d/b.png"};
    EXPECT_TRUE(defaultApplicationForPaths(mixed).isNull());
    const int asked = counting.queries;
    EXPECT_TRUE(defaultApplicationForPaths(mixed).isNull());
    EXPECT_EQ(counting.queries, asked);
    EXPECT_EQ(defaultApplicationForPaths({"/d/a.txt", "/d/b.md"}), "/a/edit.desktop");
    EXPECT_TRUE(defaultApplicationForPaths({"/d/a.zzz"}).isNull());
    EXPECT_EQ(defaultApplicationPathForURLs({URL::fileURLWithPath("/a.txt"), URL::fileURLWithPath("/b.md")}),
              "/a/edit.desktop");
    EXPECT_TRUE(defaultApplicationPathForURLs({URL::fileURLWithPath("/a.txt"), URL::fileURLWithPath("/b.png")}).isNull());
    EXPECT_EQ(defaultApplicationNameForURL(URL::fileURLWithPath("/a.png")), "paint.desktop");
    EXPECT_TRUE(defaultApplicationNameForURLIsEqualTo(URL::fileURLWithPath("/a.png"), "paint"));
    EXPECT_FALSE(defaultApplicationNameForURLIsEqualTo(URL::fileURLWithPath("/a.png"), "edit"));
}

TEST_F(OpenWith, CopiesOnOtherVolumesGiveWay)
{
    const struct {
        QStringList paths;
        QStringList unique;
    } cases[] = {
        {{"/media/u/X/a.desktop", "/usr/share/applications/a.desktop"}, {"/usr/share/applications/a.desktop"}},
        {{"/usr/share/applications/a.desktop", "/media/u/X/a.desktop"}, {"/usr/share/applications/a.desktop"}},
        {{"/home/u/a.desktop", "/usr/share/applications/a.desktop"}, {"/home/u/a.desktop"}},
        {{"/x/a.desktop", "/x/b.desktop", ""}, {"/x/a.desktop", "/x/b.desktop"}},
        {{}, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.paths.join(',').toStdString());
        EXPECT_EQ(uniqueApplicationPaths(row.paths), row.unique);
    }
}

// The whole road with the MIME-applications rules and real desktop files.
TEST(OpenWithDesktop, ExtensionsAndDisplayNames)
{
    test::DesktopHome desktop;
    const test::MainBundleScope bundle;
    Bundle::setMainBundle(Bundle({}, {{"CFBundleName", "Tester"}}));
    const QString viewer = desktop.writeApplication("viewer.desktop", "Tamsett Pro", "viewer %F",
                                                    "MimeType=image/png;image/jpeg;\n", true);
    desktop.writeApplication("png.desktop", "PNG Only", "png %F", "MimeType=image/png;\n", true);
    forgetApplicationAnswers();
    EXPECT_EQ(applicationsForPathExtensions({"png", "jpg"}), QStringList({viewer}));
    EXPECT_TRUE(applicationsForPathExtensions({"png", "zzzq"}).isEmpty());
    EXPECT_TRUE(applicationsForPathExtensions({}).isEmpty());
    const QString folder = desktop.home.home + "/.cache/TemporaryItems/Tester/.applicationsForPathExtensions.noindex";
    EXPECT_TRUE(QFileInfo::exists(folder + "/_dummy_.png"));

    const QString picture = desktop.home.tree.writeFile("p.jpg", "");
    EXPECT_EQ(defaultApplicationForPath(picture), viewer);
    EXPECT_EQ(displayApplicationNameForURL(URL::fileURLWithPath(picture)), "Tamsett");
    EXPECT_TRUE(displayApplicationNameForURL(URL()).isNull());
}

// The applications that open `path`, sorted: of those a folder holds, the
// order is its listing's (a file system's own), which the Open With menu
// does not keep (it sorts its items).
QStringList sorted(QStringList paths)
{
    paths.sort();
    return paths;
}

QStringList applicationsOpening(const QString& path)
{
    return sorted(applicationsForPaths({path}));
}

// The answers for a selection were remembered for good: an applications
// folder made while the program ran (the user's first installed
// application), an entry in a new subfolder or a default set afterwards
// was not seen for that selection until the program started again.
TEST(OpenWithDesktop, AnswersFollowApplicationsFoldersMadeOrChanged)
{
    test::DesktopHome desktop;
    const QString text = desktop.writeApplication("text.desktop", "Text", "text %F", "MimeType=text/plain;\n", true);
    const QString note = desktop.home.tree.writeFile("note.txt", "words");
    forgetApplicationAnswers();
    EXPECT_EQ(applicationsForPaths({note}), QStringList({text}));
    EXPECT_EQ(defaultApplicationForPaths({note}), text);

    ASSERT_FALSE(QFileInfo::exists(desktop.dataHome + "/applications"));
    const QString mine = desktop.writeApplication("mine.desktop", "Mine", "mine %F", "MimeType=text/plain;\n");
    EXPECT_EQ(applicationsOpening(note), sorted({mine, text})) << "a folder made";
    EXPECT_EQ(defaultApplicationForPaths({note}), mine);

    const QString nested = desktop.writeApplication("kde/nested.desktop", "Nested", "nested %F",
                                                    "MimeType=text/plain;\n", true);
    EXPECT_EQ(applicationsOpening(note), sorted({mine, text, nested})) << "a subfolder made";

    desktop.home.tree.writeFile("home/.config/mimeapps.list", "[Default Applications]\ntext/plain=text.desktop\n");
    EXPECT_EQ(defaultApplicationForPaths({note}), text) << "a default set";

    ASSERT_TRUE(QDir(desktop.dataHome + "/applications").removeRecursively());
    EXPECT_EQ(applicationsOpening(note), sorted({text, nested})) << "a folder removed";
    // Unchanged folders keep the answer.
    EXPECT_EQ(applicationAssociationsState(), applicationAssociationsState());
}

} // namespace
} // namespace sorvant
