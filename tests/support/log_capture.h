#pragma once
// Collects the lines written through platform/log.h while it lives, and
// restores the previous sink afterwards.

#include "platform/log.h"

#include <QStringList>

namespace sorvant::testing {

class LogCapture
{
public:
    LogCapture()
        : m_previous(setLogSink([this](const QString& line) { m_lines.append(line); }))
    {
    }
    ~LogCapture() { setLogSink(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    [[nodiscard]] const QStringList& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
    LogSink m_previous;
};

} // namespace sorvant::testing
