// Error texts: English in log lines and descriptions whatever the session's
// language, the user's language in texts shown to the user.

#include "platform/file_error.h"
#include "platform/task.h"

#include "tests/support/scoped_variable.h"
#include "tests/support/temp_tree.h"

#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <locale.h>

namespace sorvant {
namespace {

TEST(FileError, MessagesAndDescriptionsAreEnglish)
{
    const struct
    {
        int code;
        const char* message;
    } cases[] = {
        {ENOENT, "No such file or directory"},
        {EACCES, "Permission denied"},
        {0, "Success"},
        {-7, "Unknown error -7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(errorMessage(c.code), QString::fromLatin1(c.message));
    }
    EXPECT_EQ((FileError{ENOENT, QStringLiteral("/x"), QStringLiteral("open")}.description()),
              QStringLiteral("open '/x': No such file or directory"));
    EXPECT_EQ(FileError{}.description(), QString(QLatin1String("")));
}

// A German locale made for the test in its own folder (none is installed);
// null when the machine cannot make one.
locale_t germanLocale(const QString& folder)
{
    const QStringList arguments = {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                   QStringLiteral("UTF-8"), folder + QStringLiteral("/de_DE.UTF-8")};
    // Through Task (posix_spawn), never QProcess: see mime_folders.h.
    Task localedef(QStandardPaths::findExecutable(QStringLiteral("localedef")), arguments);
    localedef.setTimeoutMilliseconds(60'000);
    if (!localedef.launchAndSleepUntilExit())
        return nullptr;
    return ::newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr);
}

// Regression: English log lines ended in the session's language ("ERROR:
// Couldn't remove path …: Keine Berechtigung"). Under a German locale the
// log's text stays English and only the user's text is German.
TEST(FileError, OnlyTheUsersTextFollowsAGermanLocaleRegression)
{
    if (!QFile::exists(QStringLiteral("/usr/share/locale/de/LC_MESSAGES/libc.mo")))
        GTEST_SKIP() << "the C library's German messages are not installed";
    test::TempTree tree;
    const test::ScopedVariable path("LOCPATH", QFile::encodeName(tree.path()).constData());
    const test::ScopedVariable language("LANGUAGE", nullptr);
    const locale_t german = germanLocale(tree.path());
    if (!german)
        GTEST_SKIP() << "no German locale can be made here";
    const locale_t previous = ::uselocale(german);
    const QString users = localizedErrorMessage(ENOENT);
    const QString logged = errorMessage(ENOENT);
    const QString described = FileError{EACCES, QStringLiteral("/x"), QStringLiteral("remove")}.description();
    ::uselocale(previous);
    ::freelocale(german);
    EXPECT_EQ(users, QStringLiteral("Datei oder Verzeichnis nicht gefunden"));
    EXPECT_EQ(logged, QStringLiteral("No such file or directory"));
    EXPECT_EQ(described, QStringLiteral("remove '/x': Permission denied"));
}

} // namespace
} // namespace sorvant
