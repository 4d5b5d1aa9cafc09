#include "platform/task.h"

#include "platform/log.h"

#include <QProcess>

#include <utility>

namespace sorvant {

Task::Task(QString launchPath, QStringList arguments)
    : m_launchPath(std::move(launchPath)), m_arguments(std::move(arguments))
{
}

bool Task::launchAndWaitUntilExit()
{
    m_terminationStatus = -1;
    m_standardOutput.clear();
    m_standardError.clear();
    if (m_launchPath.isEmpty())
        return false;

    QProcess process;
    if (!m_currentDirectory.isEmpty())
        process.setWorkingDirectory(m_currentDirectory);
    process.start(m_launchPath, m_arguments);
    if (!process.waitForStarted()) {
        logError(QStringLiteral("Could not launch %1: %2").arg(m_launchPath, process.errorString()));
        return false;
    }
    if (!m_standardInput.isEmpty())
        process.write(m_standardInput);
    process.closeWriteChannel();
    if (!process.waitForFinished(m_timeout)) {
        logError(QStringLiteral("%1 did not finish: %2").arg(m_launchPath, process.errorString()));
        process.kill();
        process.waitForFinished();
        return false;
    }
    m_standardOutput = process.readAllStandardOutput();
    m_standardError = process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit)
        return false;
    m_terminationStatus = process.exitCode();
    return true;
}

bool Task::launchAndSleepUntilExit()
{
    return launchAndWaitUntilExit() && m_terminationStatus == 0;
}

bool Task::launchTaskAndWaitUntilExitWithLaunchPath(const QString& launchPath, const QStringList& arguments)
{
    Task task(launchPath, arguments);
    return task.launchAndSleepUntilExit();
}

} // namespace sorvant
