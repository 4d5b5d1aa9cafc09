#include "system/mime_applications.h"

#include "platform/mime_database.h"
#include "platform/url.h"
#include "tests/support/temp_tree.h"
#include "tests/system/desktop_test_support.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class MimeApplications : public testing::Test
{
protected:
    void SetUp() override
    {
        text = desktop.writeApplication("text.desktop", "Text", "text %F", "MimeType=text/plain;\n", true);
        code = desktop.writeApplication("code.desktop", "Code", "code %F", "MimeType=text/x-csrc;\n", true);
        web = desktop.writeApplication("web.desktop", "Web", "web %U",
                                       "MimeType=text/html;x-scheme-handler/https;\n", true);
        other = desktop.writeApplication("other.desktop", "Other", "other %F", "", true);
    }
    void writeList(const QString& relative, const QByteArray& contents)
    {
        desktop.home.tree.writeFile(relative, contents);
    }
    test::DesktopHome desktop;
    QString text, code, web, other;
};

TEST_F(MimeApplications, ListFilesComeInPrecedenceOrder)
{
    qputenv("XDG_CURRENT_DESKTOP", "GNOME:Unity");
    const QStringList files = mimeAppsListFiles();
    ASSERT_GE(files.size(), 6);
    EXPECT_EQ(files.mid(0, 3), QStringList({desktop.configHome + "/gnome-mimeapps.list",
                                             desktop.configHome + "/unity-mimeapps.list",
                                             desktop.configHome + "/mimeapps.list"}));
    EXPECT_EQ(files.mid(3, 3), QStringList({desktop.configDir + "/gnome-mimeapps.list",
                                             desktop.configDir + "/unity-mimeapps.list",
                                             desktop.configDir + "/mimeapps.list"}));
    EXPECT_TRUE(files.contains(desktop.dataDir + "/applications/defaults.list"));
    EXPECT_GT(files.indexOf(desktop.dataDir + "/applications/defaults.list"),
              files.indexOf(desktop.dataDir + "/applications/mimeapps.list"));
}

TEST_F(MimeApplications, EntriesOpenTheirTypesAndTheirChildren)
{
    EXPECT_EQ(applicationsForMimeType("text/plain"), QStringList({text}));
    // A C file is text: both the C editor and the text editor open it.
    EXPECT_EQ(applicationsForMimeType("text/x-csrc"), QStringList({code, text}));
    EXPECT_EQ(defaultApplicationForMimeType("text/x-csrc"), code);
    EXPECT_EQ(applicationsForMimeType("x-scheme-handler/https"), QStringList({web}));
    EXPECT_TRUE(applicationsForMimeType("application/x-nothing-opens-this").isEmpty());
    EXPECT_TRUE(defaultApplicationForMimeType({}).isNull());
}

// A type's own applications leave out those that take it only through a
// parent type: an editor of plain text is no browser of web pages.
TEST_F(MimeApplications, ATypeAloneLeavesOutTheApplicationsOfItsParents)
{
    EXPECT_EQ(defaultApplicationsForMimeType("text/html"), QStringList({web, text}));
    EXPECT_EQ(defaultApplicationsForMimeTypeOnly("text/html"), QStringList({web}));
    EXPECT_EQ(defaultApplicationsForMimeTypeOnly("text/x-csrc"), QStringList({code}));
    writeList("home/.config/mimeapps.list", "[Default Applications]\ntext/html=other.desktop\n");
    EXPECT_EQ(defaultApplicationsForMimeTypeOnly("text/html"), QStringList({other, web}));
    EXPECT_TRUE(defaultApplicationsForMimeTypeOnly({}).isEmpty());
}

// An application that runs in a terminal is offered only when a terminal
// emulator is installed to run it in.
TEST_F(MimeApplications, TerminalApplicationsNeedATerminalEmulator)
{
    const QString vi = desktop.writeApplication("vi.desktop", "Vi", "vi %F", "Terminal=true\nMimeType=text/x-csrc;\n");
    {
        const test::InstalledPrograms none(desktop.home.tree, {});
        EXPECT_EQ(applicationsForMimeType("text/x-csrc"), QStringList({code, text}));
        EXPECT_EQ(defaultApplicationsForMimeType("text/x-csrc"), QStringList({code, text}));
    }
    const test::InstalledPrograms terminal(desktop.home.tree, {"xterm"});
    EXPECT_EQ(applicationsForMimeType("text/x-csrc"), QStringList({vi, code, text}));
}

// Open said "No application is set up" on a stock system where vi was the
// only application of plain text through its own entry (Terminal=true):
// only a default set in mimeapps.list was named as needing a terminal.
TEST_F(MimeApplications, ADefaultNeedingATerminalIsNamedHoweverItWasFound)
{
    const struct
    {
        const char* name;
        QByteArray viEntry;      // the user's vi.desktop, after Terminal=true
        QByteArray list;         // the user's mimeapps.list
        bool terminalInstalled;
        QString type;
        QString named;
    } cases[] = {
        {"through its own MimeType= line", "MimeType=text/plain;\n", "", false, "text/plain", "Vi"},
        {"for a child type", "MimeType=text/plain;\n", "", false, "text/x-python", "Vi"},
        {"set in mimeapps.list", "", "[Default Applications]\ntext/plain=vi.desktop\n", false, "text/plain", "Vi"},
        {"added in mimeapps.list", "", "[Added Associations]\ntext/plain=vi.desktop\n", false, "text/plain", "Vi"},
        {"with a terminal to run in", "MimeType=text/plain;\n", "", true, "text/plain", {}},
        {"after a default that runs", "MimeType=text/plain;\n", "[Default Applications]\ntext/plain=text.desktop\n",
         false, "text/plain", {}},
        {"a child type's own application runs first", "MimeType=text/plain;\n", "", false, "text/x-csrc", {}},
        {"not installed", "TryExec=/nonexistent/vi\nMimeType=text/plain;\n", "", false, "text/plain", {}},
        {"not associated", "", "", false, "text/plain", {}},
        {"no type", "MimeType=text/plain;\n", "", false, "", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        desktop.writeApplication("vi.desktop", "Vi", "vi %F", "Terminal=true\n" + QString::fromUtf8(row.viEntry));
        writeList("home/.config/mimeapps.list", row.list);
        const test::InstalledPrograms programs(desktop.home.tree,
                                               row.terminalInstalled ? QStringList {"xterm"} : QStringList {});
        EXPECT_EQ(defaultApplicationNeedingTerminal(row.type), row.named);
    }
}

TEST_F(MimeApplications, EntriesWhoseTryExecIsMissingAreNotOffered)
{
    desktop.writeApplication("gone.desktop", "Gone", "gone %F", "TryExec=/nonexistent/gone\nMimeType=text/plain;\n", true);
    desktop.writeApplication("sh.desktop", "Shell", "sh %F", "TryExec=sh\nMimeType=text/plain;\n", true);
    QStringList names;
    for (const QString& path : applicationsForMimeType("text/plain"))
        names.append(QFileInfo(path).fileName());
    names.sort();
    EXPECT_EQ(names, QStringList({"sh.desktop", "text.desktop"}));
}

TEST_F(MimeApplications, AssociationsToEntriesThatCannotRunAreNotOffered)
{
    // Named by the lists, but their program is missing or they are links.
    desktop.writeApplication("gone.desktop", "Gone", "gone %F", "TryExec=/nonexistent/gone\n", true);
    desktop.writeEntry("link.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.org/\n", true);
    writeList("home/.config/mimeapps.list",
              "[Added Associations]\ntext/plain=gone.desktop;link.desktop;\n"
              "[Default Applications]\ntext/plain=gone.desktop;link.desktop;\n");
    EXPECT_EQ(applicationsForMimeType("text/plain"), QStringList({text}));
    EXPECT_EQ(defaultApplicationForMimeType("text/plain"), text);
    EXPECT_EQ(defaultApplicationsForMimeType("text/plain"), QStringList({text}));
}

TEST_F(MimeApplications, ListsAddRemoveAndChooseDefaults)
{
    writeList("home/.config/mimeapps.list",
              "[Added Associations]\ntext/plain=other.desktop;\n"
              "[Removed Associations]\ntext/x-csrc=code.desktop;\n"
              "[Default Applications]\ntext/plain=missing.desktop;web.desktop;\n");
    EXPECT_EQ(applicationsForMimeType("text/plain"), QStringList({other, text}));
    EXPECT_EQ(applicationsForMimeType("text/x-csrc"), QStringList({other, text}));
    // The first installed default wins, even one that does not list the type.
    EXPECT_EQ(defaultApplicationForMimeType("text/plain"), web);
    // A C file has no default of its own any more: its parent's counts.
    EXPECT_EQ(defaultApplicationForMimeType("text/x-csrc"), web);
}

TEST_F(MimeApplications, TheUsersListBeatsTheSystemsAndRemovalsHideLaterDefaults)
{
    writeList("usr/share/applications/mimeapps.list", "[Default Applications]\ntext/plain=other.desktop\n");
    EXPECT_EQ(defaultApplicationForMimeType("text/plain"), other);
    writeList("home/.config/mimeapps.list", "[Default Applications]\ntext/plain=web.desktop\n");
    EXPECT_EQ(defaultApplicationForMimeType("text/plain"), web);
    writeList("home/.config/mimeapps.list", "[Removed Associations]\ntext/plain=other.desktop;text.desktop\n");
    EXPECT_TRUE(applicationsForMimeType("text/plain").isEmpty());
    EXPECT_TRUE(defaultApplicationForMimeType("text/plain").isNull());
}

// Entries and list lines that name a type by an alias count for the type
// it stands for, and so for that type's children.
TEST_F(MimeApplications, TypesNamedByAnAliasCountForTheTypeTheyStandFor)
{
    if (canonicalMimeTypeName("image/x-icon") != u"image/vnd.microsoft.icon"
        || canonicalMimeTypeName("image/pdf") != u"application/pdf"
        || canonicalMimeTypeName("text/xml") != u"application/xml"
        || !mimeTypeInherits("image/svg+xml", "application/xml"))
        GTEST_SKIP() << "the system's MIME database lacks the aliases";
    const QString icons =
        desktop.writeApplication("icons.desktop", "Icons", "icons %F", "MimeType=image/x-icon;image/pdf;\n", true);
    const QString xml = desktop.writeApplication("xml.desktop", "XML", "xml %F", "MimeType=application/xml;\n", true);
    const QString svg = desktop.writeApplication("svg.desktop", "SVG", "svg %F", "MimeType=image/svg+xml;\n", true);
    writeList("home/.config/mimeapps.list", "[Default Applications]\ntext/xml=other.desktop\n"
                                            "[Added Associations]\nimage/pdf=web.desktop;\n"
                                            "[Removed Associations]\ntext/xml=xml.desktop;\n");
    const struct
    {
        const char* type;
        QStringList applications;
        QString defaultApplication;
    } cases[] = {
        {"image/vnd.microsoft.icon", {icons}, icons},     // an entry's MimeType=
        {"image/x-icon", {icons}, icons},                 // asked by the alias too
        {"application/pdf", {web, icons}, web},           // an added association
        {"application/xml", {text}, other},               // a removal and a default
        {"text/xml", {text}, other},
        {"image/svg+xml", {svg, text}, svg},              // a child: its own first,
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.type);
        EXPECT_EQ(applicationsForMimeType(entry.type), entry.applications);
        EXPECT_EQ(defaultApplicationForMimeType(entry.type), entry.defaultApplication);
    }
    // then its parent's default.
    EXPECT_EQ(defaultApplicationsForMimeType("image/svg+xml").mid(0, 2), QStringList({svg, other}));
    EXPECT_EQ(defaultApplicationsForMimeTypeOnly("text/xml"), QStringList({other}));
    EXPECT_EQ(applicationsForMimeType(mimeTypeForFileName("favicon.ico")), QStringList({icons}));
}

TEST_F(MimeApplications, TypesOfItems)
{
    const QString folder = desktop.home.tree.makeDir("folder");
    const QString c = desktop.home.tree.writeFile("a.c", "int main(void) { return 0; }\n");
    EXPECT_EQ(mimeTypeForPath(folder), "inode/directory");
    EXPECT_EQ(mimeTypeForPath(c), "text/x-csrc");
    EXPECT_EQ(mimeTypeForURL(URL::fileURLWithPath(c)), "text/x-csrc");
    EXPECT_EQ(mimeTypeForURL(URL::URLWithString("HTTPS://x.org/")), "x-scheme-handler/https");
    EXPECT_TRUE(mimeTypeForURL(URL()).isNull());
    EXPECT_EQ(mimeTypeForFileName("x.png"), "image/png");
    EXPECT_EQ(mimeTypeAndAncestors("text/x-csrc").mid(0, 2), QStringList({"text/x-csrc", "text/plain"}));
}

// An entry edited in place changes neither its folder nor, within a
// second, its modification time's seconds: the state still changes, so
// Open With reads the entry again.
TEST_F(MimeApplications, AnEntryEditedInPlaceChangesTheAssociationsState)
{
    const QString folder = QFileInfo(text).absolutePath();
    const QByteArray entryPath = QFile::encodeName(text);
    const QByteArray folderPath = QFile::encodeName(folder);
    struct stat entryBefore {};
    struct stat folderBefore {};
    ASSERT_EQ(::stat(entryPath.constData(), &entryBefore), 0);
    ASSERT_EQ(::stat(folderPath.constData(), &folderBefore), 0);
    const QByteArray before = applicationAssociationsState();
    EXPECT_EQ(applicationAssociationsState(), before);

    const struct
    {
        const char* what;
        QByteArray contents;
    } edits[] = {
        {"longer", "[Desktop Entry]\nType=Application\nName=Text\nExec=text %F\nMimeType=text/html;\n"},
        {"as long", "[Desktop Entry]\nType=Application\nName=Text\nExec=text %F\nMimeType=text/htmx;\n"},
    };
    QByteArray previous = before;
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.what);
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(edit.contents), edit.contents.size());
        file.close();
        // The entry's and its folder's times put back as they were.
        const struct timespec entryTimes[2] = {entryBefore.st_atim, entryBefore.st_mtim};
        const struct timespec folderTimes[2] = {folderBefore.st_atim, folderBefore.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, entryPath.constData(), entryTimes, 0), 0);
        ASSERT_EQ(::utimensat(AT_FDCWD, folderPath.constData(), folderTimes, 0), 0);
        const QByteArray after = applicationAssociationsState();
        EXPECT_TRUE(after != previous) << "the state did not change";
        previous = after;
    }
    EXPECT_TRUE(applicationsForMimeType("text/plain").isEmpty());
    EXPECT_TRUE(applicationsForMimeType("text/htmx").contains(text));
}

// The index of the lists and entries was read again for every answer, and
// so N times for N files opened at once. It is read once and kept while
// the items it was read from stay as they were; each change of one of them
// reads it once more, and the answers after it see the change.
TEST_F(MimeApplications, TheIndexIsReadOncePerChangeOfWhatItIsReadFrom)
{
    const auto answers = [] {
        return QStringList{applicationsForMimeType("text/plain").join(u' '),
                           defaultApplicationsForMimeType("text/x-csrc").join(u' '),
                           defaultApplicationsForMimeTypeOnly("text/html").join(u' ')};
    };
    QStringList previous = answers();
    quint64 reads = applicationAssociationIndexReads();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(answers(), previous);
    EXPECT_EQ(applicationAssociationIndexReads(), reads);

    const struct
    {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"an entry in a new nested folder",
         [&] { desktop.writeApplication("vendor/notes.desktop", "Notes", "notes %F", "MimeType=text/plain;\n"); }},
        {"a nested entry edited in place",
         [&] {
             QFile file(desktop.dataHome + "/applications/vendor/notes.desktop");
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_TRUE(file.seek(file.size()));
             file.write("NoDisplay=false\n");
         }},
        {"a default set", [&] { writeList("home/.config/mimeapps.list", "[Default Applications]\ntext/html=other.desktop\n"); }},
        {"an entry removed", [&] { ASSERT_TRUE(QFile::remove(code)); }},
        {"an empty folder made", [&] { desktop.home.tree.makeDir("home/.local/share/applications/empty/inner"); }},
    };
    for (const auto& row : changes) {
        SCOPED_TRACE(row.what);
        row.change();
        const QStringList after = answers();
        EXPECT_EQ(applicationAssociationIndexReads(), reads + 1);
        EXPECT_EQ(answers(), after);
        EXPECT_EQ(applicationAssociationIndexReads(), reads + 1);
        // Nothing the answers show changes with an empty folder or a line
        // that says what was said.
        if (std::string_view(row.what) != "an empty folder made" && std::string_view(row.what) != "a nested entry edited in place") {
            EXPECT_NE(after, previous);
        }
        previous = after;
        reads = applicationAssociationIndexReads();
    }
    EXPECT_TRUE(previous.first().contains("notes.desktop"));
    EXPECT_EQ(previous.at(2), other + u' ' + web);
}

// Entries read through a symlinked folder of applications/ are watched as
// well: the real folder the link leads to, its entries and its subfolders,
// each seen at the next answer. A link back up is entered once.
TEST_F(MimeApplications, EntriesThroughASymlinkedFolderAreWatched)
{
    const QString real = desktop.home.tree.makeDir("opt/vendor/applications");
    desktop.home.tree.makeDir("opt/vendor/applications/more");
    // Written in place: an entry written again keeps its inode.
    const auto writeEntry = [&](const QString& relative, const QString& types) {
        desktop.home.tree.writeFile("opt/vendor/applications/" + relative,
                                    "[Desktop Entry]\nType=Application\nName=App\nExec=app %F\nMimeType=" +
                                        types.toUtf8() + "\n");
    };
    writeEntry("viewer.desktop", "text/x-csrc;");
    ASSERT_TRUE(QFile::link(real, desktop.home.tree.makeDir("home/.local/share/applications") + "/vendor"));
    const auto answer = [] { return applicationsForMimeType("text/html").join(u' '); };
    ASSERT_FALSE(answer().contains("viewer.desktop"));

    const struct
    {
        const char* what;
        const char* relative;
    } changes[] = {
        {"an entry edited in place", "viewer.desktop"},
        {"an entry added one folder down", "more/browser.desktop"},
        {"an entry added beside it", "reader.desktop"},
    };
    for (const auto& row : changes) {
        SCOPED_TRACE(row.what);
        const quint64 reads = applicationAssociationIndexReads();
        writeEntry(row.relative, "text/x-csrc;text/html;");
        EXPECT_TRUE(answer().contains(row.relative)) << answer().toStdString();
        EXPECT_EQ(applicationAssociationIndexReads(), reads + 1);
    }

    // Links back to the real folder and to the applications folder add
    // themselves to what is watched, nothing below them (followed, two such
    // links would double the walk at every level).
    const auto watchedItems = [] { return applicationAssociationsState().count(';'); };
    const qsizetype before = watchedItems();
    ASSERT_TRUE(QFile::link(real, real + "/back"));
    ASSERT_TRUE(QFile::link(desktop.dataHome + "/applications", real + "/more/up"));
    EXPECT_EQ(watchedItems(), before + 2);
    EXPECT_TRUE(answer().contains("more/browser.desktop"));
}

// Answers asked from several threads at once share one index and agree,
// also while a list changes under them: an answer asked while no change
// was under way is the one of the lists as they were, and once the changes
// stop every thread sees the last.
TEST_F(MimeApplications, AnswersFromSeveralThreadsAgree)
{
    const QStringList plain = defaultApplicationsForMimeType("text/x-csrc");
    EXPECT_EQ(plain, QStringList({code, text}));
    const QStringList chosen{other, code, text};
    const QByteArray list = QFile::encodeName(desktop.configHome + "/mimeapps.list");
    // Written whole and renamed into place, as editors save.
    const auto choose = [&](bool choice) {
        const QByteArray contents = choice ? "[Default Applications]\ntext/x-csrc=other.desktop\n" : "";
        test::writeFileBytes(list + ".new", contents);
        return ::rename((list + ".new").constData(), list.constData()) == 0;
    };
    constexpr int kThreads = 4;
    constexpr int kChanges = 11; // odd: the last change chooses
    // A change is started before the list is replaced and counted after.
    std::atomic<int> started{0};
    std::atomic<int> changes{0};
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::array<std::atomic<int>, kThreads> answeredAfter{};
    std::array<QStringList, kThreads> last;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!stop.load()) {
                const int before = changes.load();
                last[t] = defaultApplicationsForMimeType("text/x-csrc");
                if (started.load() == before && last[t] != (before % 2 ? chosen : plain))
                    wrong.fetch_add(1);
                answeredAfter[t].store(before);
            }
        });
    }
    for (int i = 1; i <= kChanges; ++i) {
        started.store(i);
        if (!choose(i % 2 == 1)) {
            ADD_FAILURE() << "cannot write the list";
            break;
        }
        changes.store(i);
        const bool answered = test::waitUntil([&] {
            return std::all_of(answeredAfter.begin(), answeredAfter.end(), [i](const auto& seen) { return seen.load() >= i; });
        });
        if (!answered) {
            ADD_FAILURE() << "the threads did not answer after change " << i;
            break;
        }
    }
    stop.store(true);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
    for (const QStringList& answer : last)
        EXPECT_EQ(answer, chosen);
}

// A held index answers a whole action without a look at its items: a change
// made meanwhile shows once the hold ends, also after a nested hold.
TEST_F(MimeApplications, AHeldIndexAnswersUntilItIsLetGo)
{
    EXPECT_EQ(defaultApplicationsForMimeTypeOnly("text/html"), QStringList({web}));
    {
        const HeldApplicationAssociations held;
        writeList("home/.config/mimeapps.list", "[Default Applications]\ntext/html=other.desktop\n");
        {
            const HeldApplicationAssociations inner;
            EXPECT_EQ(defaultApplicationsForMimeTypeOnly("text/html"), QStringList({web}));
        }
        EXPECT_EQ(defaultApplicationsForMimeTypeOnly("text/html"), QStringList({web}));
        // Other threads look for themselves.
        QStringList elsewhere;
        std::thread([&] { elsewhere = defaultApplicationsForMimeTypeOnly("text/html"); }).join();
        EXPECT_EQ(elsewhere, QStringList({other, web}));
    }
    EXPECT_EQ(defaultApplicationsForMimeTypeOnly("text/html"), QStringList({other, web}));
}

} // namespace
} // namespace sorvant
