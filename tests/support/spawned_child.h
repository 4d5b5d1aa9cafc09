#pragma once
// A program a test runs as a child (this test program again, as a helper
// of the test) and waits on: a wait for what the children should do ends as
// soon as one of them has ended, saying which and how, rather than at the
// end of its patience. Started with posix_spawn, never QProcess: Qt's child
// shares this process's memory until it executes (see mime_folders.h).
//
//   SpawnedChild saver("first", program, {"--gtest_filter=…"}, log);
//   waitUntilReadyUnlessAChildEnds(ready, {&saver})
//       => ""                                    ready held
//       => "first exited with 1 before it was ready: <its output>"
//       => "not ready within 300 s"

#include "tests/system/waiting.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace sorvant::test {

// A wait status in words:
//   exited with 0 => "exited with 0";  SIGKILL => "was killed by signal 9 (Killed)"
[[nodiscard]] std::string describeWaitStatus(int status);

class SpawnedChild
{
public:
    // Starts `program` with `arguments`; both its output streams go to the
    // file `log` (made or emptied). `name` says which child it is.
    SpawnedChild(QString name, const QString& program, const QStringList& arguments, const QString& log);
    // Kills and reaps a child still running.
    ~SpawnedChild();
    SpawnedChild(const SpawnedChild&) = delete;
    SpawnedChild& operator=(const SpawnedChild&) = delete;

    [[nodiscard]] const QString& name() const { return m_name; }
    // Whether it has ended; reaps it the first time.
    bool hasEnded();
    // Waits until it ends; kills it once `patience` is spent. True when it
    // ended by itself.
    bool waitUntilEnded(std::chrono::milliseconds patience = kPatience);
    // Its exit code; -1 while it runs, when it was never started or when a
    // signal ended it.
    [[nodiscard]] int exitCode() const;
    // How it ended ("exited with 1"), or "is still running", or why it
    // never started.
    [[nodiscard]] std::string howItEnded() const;
    // Its name, how it ended, `when` and what it wrote:
    //   report(" before it was ready") => "first exited with 1 before it was ready: <its output>"
    [[nodiscard]] std::string report(const std::string& when = {}) const;

private:
    QString m_name;
    QString m_log;
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_ended = false;
    std::string m_failure;
};

// Waits until `ready` holds, checking each of `children` between checks:
// answers empty when `ready` came true, else what ended the wait (a child
// that ended first, with its report, or the patience spent).
[[nodiscard]] std::string waitUntilReadyUnlessAChildEnds(const std::function<bool()>& ready,
                                                         const std::vector<SpawnedChild*>& children,
                                                         std::chrono::milliseconds patience = kPatience);

} // namespace sorvant::test
