#pragma once
// The one fixture that moves the home of a test: HOME points at a fresh
// folder of a temporary tree and every other variable the test environment
// sets (hermetic_environment.h) is unset, so the XDG folders follow HOME;
// all of them are restored when the object goes away.
//
// `onChange` runs after every change and on the way out, for caches that
// read the environment once (resetStandardFolders,
// UserDefaults::resetStandardUserDefaults).

#include "tests/support/hermetic_environment.h"
#include "tests/support/temp_tree.h"

#include <QByteArray>
#include <QFile>

#include <functional>
#include <vector>

namespace sorvant::test {

class TemporaryHome
{
public:
    explicit TemporaryHome(std::function<void()> onChange = {}) : m_onChange(std::move(onChange))
    {
        home = tree.makeDir(QStringLiteral("home"));
        for (const char* name : hermeticVariableNames()) {
            m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            qunsetenv(name);
        }
        qputenv("HOME", QFile::encodeName(home));
        changed();
    }
    ~TemporaryHome()
    {
        for (const Saved& saved : m_saved) {
            if (saved.wasSet)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
        changed();
    }
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    // Sets one variable to a folder of the tree, made first; answers it.
    QString setVariable(const char* name, const QString& relative)
    {
        const QString folder = tree.makeDir(relative);
        setVariableBytes(name, QFile::encodeName(folder));
        return folder;
    }
    // Sets one variable to any bytes (a relative path, a home elsewhere).
    void setVariableBytes(const char* name, const QByteArray& value)
    {
        qputenv(name, value);
        changed();
    }

    TempTree tree;
    QString home;

private:
    struct Saved
    {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    void changed()
    {
        if (m_onChange)
            m_onChange();
    }

    std::function<void()> m_onChange;
    std::vector<Saved> m_saved;
};

} // namespace sorvant::test
