#include "tests/support/spawned_child.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>
#include <vector>

extern char** environ;

namespace sorvant::test {

namespace {

std::string describeDuration(std::chrono::milliseconds duration)
{
    return duration.count() % 1000 == 0 ? std::to_string(duration.count() / 1000) + " s"
                                         : std::to_string(duration.count()) + " ms";
}

} // namespace

std::string describeWaitStatus(int status)
{
    if (WIFEXITED(status))
        return "exited with " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = ::strsignal(signal);
        return "was killed by signal " + std::to_string(signal) + " (" + (name ? name : "unknown") + ")"
               + (WCOREDUMP(status) ? ", its core dumped" : "");
    }
    return "changed state (wait status " + std::to_string(status) + ")";
}

SpawnedChild::SpawnedChild(QString name, const QString& program, const QStringList& arguments, const QString& log)
    : m_name(std::move(name))
    , m_log(log)
{
    std::vector<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        bytes.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const QByteArray logBytes = QFile::encodeName(log);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logBytes.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int spawned = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        m_pid = -1;
        m_failure = std::string("could not start ") + argv[0] + ": " + std::strerror(spawned);
    }
}

SpawnedChild::~SpawnedChild()
{
    if (m_pid > 0 && !hasEnded()) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

bool SpawnedChild::hasEnded()
{
    if (m_pid <= 0 || m_ended)
        return true;
    m_ended = ::waitpid(m_pid, &m_status, WNOHANG) == m_pid;
    return m_ended;
}

bool SpawnedChild::waitUntilEnded(std::chrono::milliseconds patience)
{
    if (waitUntil([this] { return hasEnded(); }, patience))
        return m_pid > 0;
    ::kill(m_pid, SIGKILL);
    while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
    }
    m_ended = true;
    m_failure = "was killed after " + describeDuration(patience);
    return false;
}

int SpawnedChild::exitCode() const
{
    return m_pid > 0 && m_ended && m_failure.empty() && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
}

std::string SpawnedChild::howItEnded() const
{
    if (!m_failure.empty())
        return m_failure;
    return m_ended ? describeWaitStatus(m_status) : "is still running";
}

std::string SpawnedChild::report(const std::string& when) const
{
    QFile log(m_log);
    const QByteArray output = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray("<no output>");
    return m_name.toStdString() + " " + howItEnded() + when + ": " + output.toStdString();
}

std::string waitUntilReadyUnlessAChildEnds(const std::function<bool()>& ready,
                                           const std::vector<SpawnedChild*>& children,
                                           std::chrono::milliseconds patience)
{
    SpawnedChild* ended = nullptr;
    const bool held = waitUntil(
        [&] {
            if (ready())
                return true;
            for (SpawnedChild* child : children) {
                if (child->hasEnded()) {
                    ended = child;
                    return true;
                }
            }
            return false;
        },
        patience);
    // The child may have made `ready` true just before it ended.
    if (held && (!ended || ready()))
        return {};
    if (ended)
        return ended->report(" before it was ready");
    return "not ready within " + describeDuration(patience);
}

} // namespace sorvant::test
