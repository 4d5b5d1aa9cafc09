#pragma once
// Running a command-line tool as a child process and waiting for it, or
// starting a program that runs on by itself. The calling thread blocks; no
// event loop is needed, so workers may use it. Arguments reach the child as
// file-system bytes (platform/file_system_representation.h): a path holding
// bytes that are not UTF-8 arrives as it is on disk.
//
//   Task task(QStringLiteral("/usr/bin/gzip"), {QStringLiteral("-d"), path});
//   task.launchAndSleepUntilExit()  => true when gzip ran and exited with 0

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace sorvant {

class Task
{
public:
    Task() = default;
    Task(QString launchPath, QStringList arguments);

    void setLaunchPath(const QString& path) { m_launchPath = path; }
    void setArguments(const QStringList& arguments) { m_arguments = arguments; }
    void setCurrentDirectoryPath(const QString& path) { m_currentDirectory = path; }
    void setStandardInput(const QByteArray& input) { m_standardInput = input; }
    // How long to wait before the child is killed; -1 waits for ever.
    void setTimeoutMilliseconds(int milliseconds) { m_timeout = milliseconds; }

    [[nodiscard]] const QString& launchPath() const { return m_launchPath; }
    [[nodiscard]] const QStringList& arguments() const { return m_arguments; }

    // Launches the task and waits until it ends. True when it ran (started
    // and ended by itself, whatever its exit status).
    bool launchAndWaitUntilExit();
    // Launches the task and waits until it ends. True when it ran and exited
    // with status 0.
    bool launchAndSleepUntilExit();

    // Starts `program` (looked up in PATH without a "/") with `arguments`,
    // detached: it is nobody's child and runs on after we end. Its
    // environment is `environment` ("NAME=value" each), or ours when empty.
    // True when the program was executed; otherwise `error` says why.
    static bool startDetached(const QString& program, const QStringList& arguments,
                              const QStringList& environment = {}, QString* error = nullptr);

    // Runs `launchPath` with `arguments` and waits; true when it exited with 0.
    static bool launchTaskAndWaitUntilExitWithLaunchPath(const QString& launchPath, const QStringList& arguments);

    [[nodiscard]] int terminationStatus() const { return m_terminationStatus; }
    [[nodiscard]] const QByteArray& standardOutput() const { return m_standardOutput; }
    [[nodiscard]] const QByteArray& standardError() const { return m_standardError; }

private:
    QString m_launchPath;
    QStringList m_arguments;
    QString m_currentDirectory;
    QByteArray m_standardInput;
    int m_timeout = -1;
    int m_terminationStatus = -1;
    QByteArray m_standardOutput;
    QByteArray m_standardError;
};

} // namespace sorvant
