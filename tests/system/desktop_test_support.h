#pragma once
// A temporary home whose XDG search paths (data and config folders) are
// inside the tree as well, with helpers that write desktop entries and
// mimeapps.list files there.

#include "system/opening.h"
#include "system/standard_folders.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temporary_home.h"
#include "tests/system/waiting.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QString>

#include <array>

namespace sorvant::test {

class DesktopHome
{
public:
    DesktopHome()
    {
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            m_saved[i] = qgetenv(kNames[i]);
            m_had[i] = qEnvironmentVariableIsSet(kNames[i]);
        }
        dataHome = home.setVariable("XDG_DATA_HOME", "home/.local/share");
        configHome = home.setVariable("XDG_CONFIG_HOME", "home/.config");
        home.setVariable("XDG_CACHE_HOME", "home/.cache");
        home.setVariable("XDG_STATE_HOME", "home/.local/state");
        dataDir = home.tree.makeDir("usr/share");
        configDir = home.tree.makeDir("etc/xdg");
        qputenv("XDG_DATA_DIRS", (dataDir + ':' + sharedMimeFolder()).toUtf8());
        qputenv("XDG_CONFIG_DIRS", configDir.toUtf8());
        qputenv("LANG", "C");
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
    ~DesktopHome()
    {
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            if (m_had[i])
                qputenv(kNames[i], m_saved[i]);
            else
                qunsetenv(kNames[i]);
        }
    }
    DesktopHome(const DesktopHome&) = delete;
    DesktopHome& operator=(const DesktopHome&) = delete;

    // Writes an application entry into the user's applications folder
    // (`system` false) or the system's, and answers its path.
    QString writeApplication(const QString& relative, const QString& name, const QString& exec,
                             const QString& extra = {}, bool system = false)
    {
        const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n%3")
                                 .arg(name, exec, extra);
        return writeEntry(relative, text.toUtf8(), system);
    }
    QString writeEntry(const QString& relative, const QByteArray& contents, bool system = false)
    {
        const QString base = system ? QStringLiteral("usr/share/applications/")
                                    : QStringLiteral("home/.local/share/applications/");
        return home.tree.writeFile(base + relative, contents);
    }

    // Writes "bin/record": a tool that appends each argument as "arg:<a>"
    // and then "END" to `output`, one line each; answers its path.
    QString writeArgumentRecorder(const QString& output)
    {
        const QString recorder = home.tree.writeFile(
            "bin/record",
            "#!/bin/sh\n{ for a in \"$@\"; do echo \"arg:$a\"; done; echo END; } >> \"" + output.toUtf8() + "\"\n");
        QFile::setPermissions(recorder, QFile::ReadOwner | QFile::ExeOwner);
        return recorder;
    }

    // A data folder that holds only the system's shared MIME database, made
    // once per process: the MIME database keeps the folders it found, so
    // this one must outlive every test.
    static QString sharedMimeFolder()
    {
        static const QString folder = [] {
            static QTemporaryDir dir;
            for (const char* system : {"/usr/share/mime", "/usr/local/share/mime"}) {
                if (QFileInfo(QString::fromLatin1(system)).isDir()) {
                    QFile::link(QString::fromLatin1(system), dir.path() + "/mime");
                    break;
                }
            }
            return dir.path();
        }();
        return folder;
    }

    TemporaryHome home{resetStandardFolders};
    QString dataHome;
    QString configHome;
    QString dataDir;
    QString configDir;

private:
    static constexpr std::array<const char*, 7> kNames = {
        "XDG_DATA_DIRS", "XDG_CONFIG_DIRS", "LANG", "LC_ALL", "LC_MESSAGES", "XDG_CURRENT_DESKTOP",
        "GIO_LAUNCHED_DESKTOP_FILE_PID",
    };
    std::array<QByteArray, kNames.size()> m_saved;
    std::array<bool, kNames.size()> m_had {};
};

// PATH set to one folder of the tree that holds only the programs asked
// for, and TERMINAL unset, while it lives: which terminal emulators,
// browsers and tools are installed is then up to the test. Each program
// appends its arguments ("arg:<a>" a line, then "END") to "<name>.out"
// beside the folder.
class InstalledPrograms
{
public:
    InstalledPrograms(TempTree& tree, const QStringList& programs)
        : folder(tree.makeDir(QStringLiteral("programs"))), m_path("PATH", QFile::encodeName(folder).constData()),
          m_terminal("TERMINAL", nullptr)
    {
        for (const QString& program : programs) {
            const QString script = tree.writeFile(
                QStringLiteral("programs/") + program,
                "#!/bin/sh\n{ for a in \"$@\"; do echo \"arg:$a\"; done; echo END; } >> \""
                    + outputOf(tree, program).toUtf8() + "\"\n");
            QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
        }
    }

    // Where `program` writes the arguments it was started with.
    static QString outputOf(TempTree& tree, const QString& program)
    {
        return tree.filePath(program + QStringLiteral(".out"));
    }

    const QString folder;

private:
    const ScopedVariable m_path;
    const ScopedVariable m_terminal;
};

// Records what would be opened instead of starting programs.
class RecordingOpener : public ItemOpener
{
public:
    bool openWithApplication(const QString& desktopEntryPath, const QStringList& items) override
    {
        calls.append(desktopEntryPath + " <- " + items.join(" | "));
        return true;
    }
    bool openWithDesktopOpener(const QString& item) override
    {
        calls.append("opener <- " + item);
        return true;
    }
    QStringList calls;
};

// Waits for a file to appear with its content ended by "END\n" (up to
// kPatience); its content then, else empty.
inline QByteArray waitForFile(const QString& path)
{
    QByteArray contents;
    const bool ended = waitUntil([&] {
        QFile file(path);
        contents = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        return contents.endsWith("END\n");
    });
    return ended ? contents : QByteArray();
}

} // namespace sorvant::test
