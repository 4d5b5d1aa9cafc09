#pragma once
// Points HOME and every XDG variable at fresh folders inside a temporary
// tree for the life of the object, and forgets the cached standard folders
// on the way in and out, so a test never touches the real home.

#include "system/standard_folders.h"
#include "tests/support/temp_tree.h"

#include <QByteArray>
#include <QDir>

#include <array>

namespace sorvant::test {

class TemporaryHome
{
public:
    TemporaryHome()
    {
        home = tree.makeDir("home");
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            m_saved[i] = qgetenv(kNames[i]);
            m_had[i] = qEnvironmentVariableIsSet(kNames[i]);
            qunsetenv(kNames[i]);
        }
        qputenv("HOME", home.toUtf8());
        resetStandardFolders();
    }
    ~TemporaryHome()
    {
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            if (m_had[i])
                qputenv(kNames[i], m_saved[i]);
            else
                qunsetenv(kNames[i]);
        }
        resetStandardFolders();
    }
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    // Sets one XDG variable to a folder of the tree, made first.
    QString setVariable(const char* name, const QString& relative)
    {
        const QString folder = tree.makeDir(relative);
        qputenv(name, folder.toUtf8());
        resetStandardFolders();
        return folder;
    }

    TempTree tree;
    QString home;

private:
    static constexpr std::array<const char*, 8> kNames = {
        "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
        "SNAP_REAL_HOME", "APP_SANDBOX_CONTAINER_ID", "XDG_DESKTOP_DIR",
    };
    std::array<QByteArray, kNames.size()> m_saved;
    std::array<bool, kNames.size()> m_had {};
};

} // namespace sorvant::test
