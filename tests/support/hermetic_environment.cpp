#include "tests/support/hermetic_environment.h"

#include "platform/child_signals.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant::test {

namespace {

struct Variable
{
    const char* name;
    const char* relative; // inside the tree; null unsets the variable
};

constexpr Variable kVariables[] = {
    {"HOME", "home"},
    {"XDG_CONFIG_HOME", "home/.config"},
    {"XDG_DATA_HOME", "home/.local/share"},
    {"XDG_CACHE_HOME", "home/.cache"},
    {"XDG_STATE_HOME", "home/.local/state"},
    {"XDG_RUNTIME_DIR", "runtime"},
    {"XDG_CONFIG_DIRS", "etc/xdg"},
    {"XDG_DESKTOP_DIR", nullptr},
    {"XDG_DOCUMENTS_DIR", nullptr},
    {"XDG_DOWNLOAD_DIR", nullptr},
    {"XDG_MUSIC_DIR", nullptr},
    {"XDG_PICTURES_DIR", nullptr},
    {"XDG_VIDEOS_DIR", nullptr},
    {"XDG_TEMPLATES_DIR", nullptr},
    {"XDG_PUBLICSHARE_DIR", nullptr},
    {"SNAP_REAL_HOME", nullptr},
    {"APP_SANDBOX_CONTAINER_ID", nullptr},
};

std::string& rootPath()
{
    static std::string path;
    return path;
}

pid_t g_owner = 0;

// Runs at exit; tests may have left read-only folders behind. A forked
// child that exits normally must not remove its parent's tree.
void removeRoot()
{
    const std::string& root = rootPath();
    if (root.empty() || ::getpid() != g_owner)
        return;
    const std::string command = "chmod -R u+rwx '" + root + "' 2>/dev/null";
    [[maybe_unused]] const int status = std::system(command.c_str());
    QDir(QString::fromStdString(root)).removeRecursively();
}

} // namespace

QString useHermeticEnvironment()
{
    std::string& root = rootPath();
    if (!root.empty())
        return QString::fromStdString(root);
    // TMPDIR is read before HOME changes; the tree must not live in the real home.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/sorvant-home-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("sorvant tests: cannot make the temporary home");
        std::exit(2);
    }
    root = pattern;
    g_owner = ::getpid();
    resetInheritedSignals();
    std::atexit(removeRoot);
    const QString base = QString::fromStdString(root);
    for (const Variable& variable : kVariables) {
        if (!variable.relative) {
            qunsetenv(variable.name);
            continue;
        }
        const QString folder = base + QLatin1Char('/') + QLatin1String(variable.relative);
        QDir().mkpath(folder);
        qputenv(variable.name, QFile::encodeName(folder));
    }
    ::chmod((root + "/runtime").c_str(), 0700);
    return base;
}

const std::vector<const char*>& hermeticVariableNames()
{
    static const std::vector<const char*> names = [] {
        std::vector<const char*> all;
        for (const Variable& variable : kVariables)
            all.push_back(variable.name);
        return all;
    }();
    return names;
}

QString hermeticRoot()
{
    return QString::fromStdString(rootPath());
}

} // namespace sorvant::test
