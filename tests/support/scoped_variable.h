#pragma once
// Sets an environment variable for the life of the object (unset: null) and
// puts back what was there before.

#include <QByteArray>
#include <QtGlobal>

namespace sorvant::test {

class ScopedVariable
{
public:
    ScopedVariable(const char* name, const char* value) : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        value ? qputenv(name, value) : qunsetenv(name);
    }
    ~ScopedVariable() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace sorvant::test
