#pragma once
// The answer to a message a value or object does not understand: one log
// line "-[<class> <selector>]: Unrecognized selector." and the empty value
// of the expected type, instead of a failure. Callers that ask any value
// for, say, its boolean use it when the value cannot give one.
//   unrecognizedSelector<bool>(QVariant(QSize()), "boolValue") => false, logs
//       "-[QSize boolValue]: Unrecognized selector."
//   unrecognizedSelector<QVariant>(object, "composer")          => QVariant()

#include <QString>
#include <QVariant>

class QObject;

namespace sorvant {

// Writes the log line for `selector` sent to an instance of `className`.
// Two selectors that the interface toolkit probes on every object
// ("NS_touchBarProviders", "NS_touchBarProvidersKeyPaths") are answered
// quietly.
void logUnrecognizedSelector(const QString& className, const QString& selector);

// The class name used in the log line: the object's meta-object class name,
// the value's type name ("QString", "QVariantMap"), "nil" for nothing.
[[nodiscard]] QString classNameForLog(const QObject* object);
[[nodiscard]] QString classNameForLog(const QVariant& value);

// Logs and answers T{} (false, 0, a null string, an invalid QVariant).
template <typename T, typename Receiver>
[[nodiscard]] T unrecognizedSelector(const Receiver& receiver, const char* selector)
{
    logUnrecognizedSelector(classNameForLog(receiver), QString::fromLatin1(selector));
    return T{};
}

// The same for a selector with an error out-parameter
// ("checkResourceIsReachableAndReturnError:"): a given error is cleared to
// its empty value as well, so the caller never reads a stale one.
//   unrecognizedSelector<bool>(object, "checkResourceIsReachableAndReturnError:", &error)
//       => false, error == QString()
template <typename T, typename Receiver, typename Error>
[[nodiscard]] T unrecognizedSelector(const Receiver& receiver, const char* selector, Error* error)
{
    if (error)
        *error = Error{};
    return unrecognizedSelector<T>(receiver, selector);
}

} // namespace sorvant
