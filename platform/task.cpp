#include "platform/task.h"

#include "platform/child_signals.h"
#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/unique_fd.h"

#include <QStandardPaths>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sorvant {

namespace {

// The argument vector of a child: each string as file-system bytes, so a
// name holding bytes that are not UTF-8 reaches the child unchanged.
class ArgumentVector
{
public:
    explicit ArgumentVector(const QStringList& strings)
    {
        for (const QString& string : strings)
            m_bytes.push_back(fileSystemRepresentation(string));
        for (QByteArray& bytes : m_bytes)
            m_pointers.push_back(bytes.data());
        m_pointers.push_back(nullptr);
    }
    // NO when a string held U+0000 (no argument can).
    [[nodiscard]] bool isValid() const
    {
        for (const QByteArray& bytes : m_bytes)
            if (bytes.isNull())
                return false;
        return true;
    }
    [[nodiscard]] char* const* data() const { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_bytes;
    std::vector<char*> m_pointers;
};

// A program named without a folder is looked up in PATH, as a shell does.
QString programPath(const QString& program)
{
    return program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
}

// Both ends of a pipe, closed on exec in the child (the child gets its
// ends through dup2). Each end has one owner, which closes it once: a
// number closed twice would close, the second time, whatever another
// thread opened under it meanwhile.
struct Pipe
{
    UniqueFd read;
    UniqueFd write;

    bool open()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read.reset(fds[0]);
        write.reset(fds[1]);
        return true;
    }
};

// Feeds `input` to the child and collects its output until both output
// pipes end or `timeout` (ms, -1 for ever) passes. NO on time-out.
bool exchange(UniqueFd& input, UniqueFd& output, UniqueFd& error, const QByteArray& data, QByteArray& out,
              QByteArray& err, int timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    qsizetype written = 0;
    if (data.isEmpty())
        input.reset();
    char buffer[16384];
    while (output.isValid() || error.isValid()) {
        pollfd fds[3] = {{output.get(), POLLIN, 0}, {error.get(), POLLIN, 0}, {input.get(), POLLOUT, 0}};
        int wait = -1;
        if (timeout >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            wait = int(left.count());
        }
        if (::poll(fds, 3, wait) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (int i = 0; i < 2; ++i) {
            UniqueFd& fd = i == 0 ? output : error;
            if (!fd.isValid() || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
            if (got > 0)
                (i == 0 ? out : err).append(buffer, got);
            else if (got == 0 || errno != EINTR)
                fd.reset();
        }
        if (input.isValid() && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t put = ::write(input.get(), data.constData() + written, size_t(data.size() - written));
            if (put > 0)
                written += put;
            if ((put < 0 && errno != EINTR && errno != EAGAIN) || written == data.size())
                input.reset();
        }
    }
    input.reset();
    return true;
}

} // namespace

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
    const QString program = programPath(m_launchPath);
    const ArgumentVector argv(QStringList {program.isEmpty() ? m_launchPath : program} + m_arguments);
    if (program.isEmpty() || !argv.isValid()) {
        logError(QStringLiteral("Could not launch %1: %2").arg(m_launchPath, errorMessage(ENOENT)));
        return false;
    }
    Pipe in, out, err;
    if (!in.open() || !out.open() || !err.open()) {
        logError(QStringLiteral("Could not launch %1: %2").arg(m_launchPath, errorMessage(errno)));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read.get(), 0);
    posix_spawn_file_actions_adddup2(&actions, out.write.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, err.write.get(), 2);
    const QByteArray directory = fileSystemRepresentation(m_currentDirectory);
    if (!m_currentDirectory.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.constData());
    // The child starts with default signals, whatever this process ignores
    // or blocks (SIGPIPE below, SIGINT when started from a background job).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    const sigset_t defaults = childDefaultSignals();
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv.data()[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    // The child's ends are the child's now: ours go, so that its output
    // ends when it does.
    in.read.reset();
    out.write.reset();
    err.write.reset();
    if (spawned != 0) {
        logError(QStringLiteral("Could not launch %1: %2").arg(m_launchPath, errorMessage(spawned)));
        return false;
    }
    // A child that stops reading its input must not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    const bool finished = exchange(in.write, out.read, err.read, m_standardInput, m_standardOutput,
                                   m_standardError, m_timeout);
    if (!finished) {
        logError(QStringLiteral("%1 did not finish").arg(m_launchPath));
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished || !WIFEXITED(status))
        return false;
    m_terminationStatus = WEXITSTATUS(status);
    // posix_spawn reports a program that cannot run as exit status 127.
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

bool Task::startDetached(const QString& program, const QStringList& arguments, const QStringList& environment,
                         QString* error)
{
    const QString path = programPath(program);
    const ArgumentVector argv(QStringList {path} + arguments);
    if (path.isEmpty() || !argv.isValid()) {
        if (error)
            *error = QStringLiteral("Could not start %1: %2").arg(program, errorMessage(ENOENT));
        return false;
    }
    const ArgumentVector envp(environment);
    char* const* childEnvironment = environment.isEmpty() ? environ : envp.data();
    // The grandchild's exec error comes back through a pipe that exec
    // closes; the child in between ends at once, so nobody waits for the
    // program and it never becomes a zombie of ours.
    Pipe status;
    if (!status.open()) {
        if (error)
            *error = QStringLiteral("Could not start %1: %2").arg(program, errorMessage(errno));
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            resetInheritedSignals();
            ::execve(argv.data()[0], argv.data(), childEnvironment);
            const int code = errno;
            [[maybe_unused]] const ssize_t ignored = ::write(status.write.get(), &code, sizeof code);
            ::_exit(127);
        }
        if (grandchild < 0) {
            const int code = errno;
            [[maybe_unused]] const ssize_t ignored = ::write(status.write.get(), &code, sizeof code);
        }
        ::_exit(0);
    }
    status.write.reset();
    int code = child < 0 ? errno : 0;
    if (child > 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        ssize_t got = 0;
        while ((got = ::read(status.read.get(), &code, sizeof code)) < 0 && errno == EINTR) {
        }
        if (got != sizeof code)
            code = 0;
    }
    if (code != 0 && error)
        *error = QStringLiteral("Could not start %1: %2").arg(program, errorMessage(code));
    return code == 0;
}

} // namespace sorvant
