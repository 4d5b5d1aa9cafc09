#include "platform/background_work.h"

#include "platform/log.h"

#include <atomic>

namespace sorvant {

namespace {

std::atomic<QThreadPool*> g_backgroundThreads{nullptr};

} // namespace

QuitBoundedPool::QuitBoundedPool(const char* what) : m_what(what), m_threads(std::make_unique<QThreadPool>()) {}

QuitBoundedPool::~QuitBoundedPool()
{
    if (drain(QDeadlineTimer(kQuitWait)))
        return;
    // Destroying the pool would wait for its threads: they are left to end
    // with the process.
    logWarning(QStringLiteral("%1 still running after %2 ms is abandoned.")
                   .arg(QString::fromLatin1(m_what))
                   .arg(kQuitWait.count()));
    (void)m_threads.release();
}

bool QuitBoundedPool::drain(QDeadlineTimer deadline)
{
    if (deadline.isForever())
        return m_threads->waitForDone(-1);
    return m_threads->waitForDone(int(std::max<qint64>(deadline.remainingTime(), 0)));
}

BackgroundPool::BackgroundPool() : m_pool("Background work")
{
    QThreadPool* expected = nullptr;
    if (!g_backgroundThreads.compare_exchange_strong(expected, &m_pool.threads()))
        logWarning(QStringLiteral("A second background pool is not used."));
}

BackgroundPool::~BackgroundPool()
{
    QThreadPool* expected = &m_pool.threads();
    (void)g_backgroundThreads.compare_exchange_strong(expected, nullptr);
}

QThreadPool& backgroundThreads()
{
    QThreadPool* threads = g_backgroundThreads.load();
    return threads ? *threads : *QThreadPool::globalInstance();
}

} // namespace sorvant
