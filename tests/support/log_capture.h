#pragma once
// Collects the lines written through platform/log.h while the object lives,
// then puts the previous sink back.

#include "platform/log.h"

#include <QStringList>

namespace sorvant::test {

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

} // namespace sorvant::test
