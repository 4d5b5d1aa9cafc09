#include "foundation/unrecognized_selector.h"

#include "platform/log.h"

#include <QObject>

namespace sorvant {

void logUnrecognizedSelector(const QString& className, const QString& selector)
{
    if (selector == QLatin1String("NS_touchBarProviders") || selector == QLatin1String("NS_touchBarProvidersKeyPaths"))
        return;
    logMessage(QStringLiteral("-[%1 %2]: Unrecognized selector.").arg(className, selector));
}

QString classNameForLog(const QObject* object)
{
    return object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("nil");
}

QString classNameForLog(const QVariant& value)
{
    return value.isValid() ? QString::fromLatin1(value.metaType().name()) : QStringLiteral("nil");
}

} // namespace sorvant
