#pragma once
// Fake command-line tools for tests: shell scripts in a folder put first on
// PATH for the life of the object. Each records its name and arguments, one
// line per run, in "calls.log" of the folder.

#include "tests/support/temp_tree.h"

#include <QFile>
#include <QStringList>

namespace sorvant::test {

class FakeTools
{
public:
    FakeTools() : m_path(qgetenv("PATH")) { qputenv("PATH", (tree.makeDir("bin") + ':').toUtf8() + m_path); }
    ~FakeTools() { qputenv("PATH", m_path); }
    FakeTools(const FakeTools&) = delete;
    FakeTools& operator=(const FakeTools&) = delete;

    // A tool that records its call and then runs `body` (shell).
    void add(const QString& name, const QString& body = QString())
    {
        const QString script = QStringLiteral("#!/bin/sh\necho \"%1 $*\" >> \"%2\"\n%3\n")
                                   .arg(name, tree.filePath("calls.log"), body);
        const QString path = tree.writeFile("bin/" + name, script.toUtf8());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    [[nodiscard]] QStringList calls() const
    {
        QFile file(tree.filePath("calls.log"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    TempTree tree;

private:
    QByteArray m_path;
};

} // namespace sorvant::test
