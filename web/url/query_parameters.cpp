#include "web/url/query_parameters.h"

#include "web/url/percent_escapes.h"

namespace sorvant {

void appendParameter(QString& string, const QString& name, const QString& value)
{
    if (name.isEmpty() || value.isEmpty())
        return;
    // A value that cannot be escaped (an unpaired surrogate) is left out
    // rather than appended as an empty or broken parameter.
    const QString escaped = stringByAddingPercentEscapesToURLParameter(value);
    if (escaped.isNull())
        return;
    string += string.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
    string += name;
    string += QLatin1Char('=');
    string += escaped;
}

} // namespace sorvant
