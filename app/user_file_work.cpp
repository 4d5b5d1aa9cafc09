#include "app/user_file_work.h"

#include "foundation/number_formatting.h"
#include "platform/background_work.h"
#include "platform/log.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

namespace sorvant {

UserFileWork::~UserFileWork()
{
    stop();
    (void)waitForDone();
}

UserFileWork& UserFileWork::shared()
{
    static UserFileWork work;
    return work;
}

std::shared_ptr<const FileOperation> UserFileWork::launch(Kind kind, qsizetype total,
                                                         std::function<void(FileOperation&)> work)
{
    auto operation = std::make_shared<FileOperation>(kind, total, &m_stopAll);
    auto body = std::make_shared<std::function<void(FileOperation&)>>(std::move(work));
    std::unique_lock lock(m_mutex);
    joinFinished(lock);
    Entry& entry = m_entries.emplace_back();
    entry.operation = operation;
    const auto run = [this, operation, body, &entry] {
        (*body)(*operation);
        const std::lock_guard done(m_mutex);
        noteEnded(*operation);
        entry.finished = true;
        m_changed.notify_all();
    };
    try {
        entry.thread = m_starter ? m_starter(run) : std::thread(run);
    } catch (const std::system_error& error) {
        // No thread: the operation goes no further than its first item, and
        // its work runs here (stopped, it touches nothing) so that its
        // result comes back and the entry ends.
        m_entries.pop_back();
        lock.unlock();
        logError(QStringLiteral("No thread for the file operation: %1").arg(QString::fromLocal8Bit(error.what())));
        operation->stop();
        (*body)(*operation);
        const std::lock_guard done(m_mutex);
        noteEnded(*operation);
        m_changed.notify_all();
    }
    return operation;
}

void UserFileWork::noteEnded(const FileOperation& operation)
{
    const Progress progress = Progress::of(operation);
    if (progress.left() > 0 && (operation.shouldStop() || m_quitPending.load()))
        m_stopped.append(progress);
}

void UserFileWork::joinFinished(std::unique_lock<std::mutex>&)
{
    // A finished thread has let go of the lock for good: joining it here
    // waits for nothing but its return.
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->finished) {
            it->thread.join();
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

QList<UserFileWork::Progress> UserFileWork::running() const
{
    const std::lock_guard lock(m_mutex);
    QList<Progress> progress;
    for (const Entry& entry : m_entries) {
        if (!entry.finished)
            progress.append(Progress::of(*entry.operation));
    }
    return progress;
}

bool UserFileWork::isRunning() const
{
    return !running().isEmpty();
}

void UserFileWork::stop()
{
    const std::lock_guard lock(m_mutex);
    for (Entry& entry : m_entries)
        entry.operation->stop();
}

bool UserFileWork::waitForDone(QDeadlineTimer deadline)
{
    std::unique_lock lock(m_mutex);
    const auto allFinished = [this] {
        return std::all_of(m_entries.cbegin(), m_entries.cend(), [](const Entry& entry) { return entry.finished; });
    };
    if (deadline.isForever())
        m_changed.wait(lock, allFinished);
    else
        (void)m_changed.wait_until(lock, deadline.deadline<std::chrono::steady_clock>(), allFinished);
    joinFinished(lock);
    return m_entries.empty();
}

QList<UserFileWork::Progress> UserFileWork::takeStopped()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_stopped, {});
}

bool finishWorkAtQuit(UserFileWork& work, const std::function<bool(QDeadlineTimer)>& drainReaders)
{
    (void)work.waitForDone();
    for (const UserFileWork::Progress& left : work.takeStopped())
        logWarning(fileOperationLeftLine(left));
    return drainReaders(QDeadlineTimer(QuitBoundedPool::kQuitWait));
}

namespace {

// The formats of what an operation does, in English; `translated` looks
// them up in the interface's language.
QString operationFormat(FileOperation::Kind kind, bool one, bool translated)
{
    const char* format = kind == FileOperation::Kind::Trash
                             ? (one ? "Moving %1 item to the Trash…" : "Moving %1 items to the Trash…")
                             : (one ? "Deleting %1 item…" : "Deleting %1 items…");
    return translated ? QCoreApplication::translate("FileActions", format) : QString::fromUtf8(format);
}

} // namespace

QString fileOperationDescription(FileOperation::Kind kind, qsizetype count)
{
    return operationFormat(kind, count == 1, true).arg(stringForInteger(count));
}

QString fileOperationProgress(const UserFileWork::Progress& progress)
{
    const QString format = progress.kind == FileOperation::Kind::Trash
                               ? QCoreApplication::translate("FileActions", "Moving %1 of %2 items to the Trash…")
                               : QCoreApplication::translate("FileActions", "Deleting %1 of %2 items…");
    return format.arg(stringForInteger(progress.done), stringForInteger(progress.total));
}

QString fileOperationLeftLine(const UserFileWork::Progress& progress)
{
    // The log is English whatever the interface's language, and its numbers
    // are grouped as in English.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QString what = operationFormat(progress.kind, progress.total == 1, false).arg(english.toString(progress.total));
    what.chop(1); // the ellipsis
    QString line = QStringLiteral("%1 stopped: %2 left").arg(what, english.toString(progress.left()));
    if (progress.failed > 0)
        line += QStringLiteral(", %1 of them failed").arg(english.toString(progress.failed));
    return line + u'.';
}

} // namespace sorvant
