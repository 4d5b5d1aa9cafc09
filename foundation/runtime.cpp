#include "foundation/runtime.h"

#include "foundation/values.h"
#include "platform/log.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QObject>

#include <sched.h>
#include <sys/utsname.h>
#include <unistd.h>


namespace sorvant {

namespace {

QObject* objectOf(const QVariant& value)
{
    return value.metaType().flags().testFlag(QMetaType::PointerToQObject) ? qvariant_cast<QObject*>(value) : nullptr;
}

bool isList(const QVariant& value)
{
    const int type = value.typeId();
    return type == QMetaType::QVariantList || type == QMetaType::QStringList;
}

QVariant valueForKey(const QVariant& receiver, const QString& key);

QVariant valuesForKey(const QVariantList& list, const QString& key)
{
    QVariantList values;
    values.reserve(list.size());
    for (const QVariant& element : list) {
        const QVariant value = valueForKey(element, key);
        values.append(value.isValid() ? value : nullValue());
    }
    return values;
}

QVariant valueForKey(const QVariant& receiver, const QString& key)
{
    if (QObject* object = objectOf(receiver))
        return object->property(key.toUtf8().constData());
    switch (receiver.typeId()) {
    case QMetaType::QVariantMap:
        return receiver.toMap().value(key);
    case QMetaType::QVariantHash:
        return receiver.toHash().value(key);
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return valuesForKey(receiver.toList(), key);
    default:
        return QVariant();
    }
}

QVariant valueForKeyPath(const QVariant& receiver, const QString& keyPath)
{
    QVariant current = receiver;
    for (const QString& key : keyPath.split(QLatin1Char('.'))) {
        current = valueForKey(current, key);
        if (!current.isValid() || isNullValue(current))
            return QVariant();
    }
    return current;
}

// One component of a key path with indexes: "items[2]" or "name".
QVariant valueForComponent(const QVariant& receiver, const QString& component)
{
    const qsizetype bracket = component.indexOf(QLatin1Char('['));
    if (bracket < 0)
        return valueForKey(receiver, component);
    const QVariant list = valueForKey(receiver, component.left(bracket));
    if (!isList(list))
        return QVariant();
    const QVariantList elements = list.toList();
    // The index is the integer value of the text after the bracket: "2]" => 2.
    const qint64 index = integerValue(component.mid(bracket + 1));
    return index >= 0 && index < elements.size() ? elements.at(index) : QVariant();
}

bool hasMember(const QMetaObject* meta, const QByteArray& name)
{
    if (meta->indexOfProperty(name.constData()) >= 0)
        return true;
    for (int index = 0; index < meta->methodCount(); ++index) {
        if (meta->method(index).name() == name)
            return true;
    }
    return false;
}

} // namespace

int numberOfBits()
{
    utsname names{};
    if (uname(&names) != 0)
        return sizeof(void*) * 8;
    const QByteArray machine(names.machine);
    return machine.endsWith("64") || machine == "s390x" ? 64 : 32;
}

int numberOfCPUs()
{
    const long count = sysconf(_SC_NPROCESSORS_CONF);
    return count > 0 ? static_cast<int>(count) : 1;
}

int numberOfAvailableCPUs()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : 1;
}

QVariant getSafeValueForKey(const QVariant& receiver, const QString& key)
{
    return key.isEmpty() ? QVariant() : valueForKey(receiver, key);
}

QVariant getSafeValueForKey(const QObject* receiver, const QString& key)
{
    return receiver && !key.isEmpty() ? receiver->property(key.toUtf8().constData()) : QVariant();
}

bool setSafeValue(QObject* receiver, const QVariant& value, const QString& key)
{
    if (!receiver || key.isEmpty())
        return false;
    const QByteArray name = key.toUtf8();
    // Writing an undeclared name would make a new dynamic property; an
    // unknown key is a failure instead.
    const int index = receiver->metaObject()->indexOfProperty(name.constData());
    if (index < 0)
        return receiver->dynamicPropertyNames().contains(name) && receiver->setProperty(name.constData(), value);
    const QMetaProperty property = receiver->metaObject()->property(index);
    return property.isWritable() && property.write(receiver, value);
}

QVariant valueForKeyPathWithIndexes(const QVariant& receiver, const QString& keyPath)
{
    if (keyPath.isEmpty() || !receiver.isValid())
        return QVariant();
    if (!keyPath.contains(QLatin1Char('[')))
        return valueForKeyPath(receiver, keyPath);
    QVariant current = receiver;
    for (const QString& component : keyPath.split(QLatin1Char('.'))) {
        current = valueForComponent(current, component);
        if (!current.isValid() || isNullValue(current))
            return QVariant();
    }
    return current;
}

QString stringValueForKeyPathWithIndexes(const QVariant& receiver, const QString& keyPath)
{
    QVariant value = valueForKeyPathWithIndexes(receiver, keyPath);
    if (isList(value)) {
        const QVariantList elements = value.toList();
        if (elements.size() == 1)
            value = elements.first();
    }
    return isStringValue(value) ? value.toString() : QString();
}

bool descriptionOfClassIsEqualTo(const QObject* object, const QString& name)
{
    return object && !name.isNull() && QLatin1String(object->metaObject()->className()) == name;
}

bool isKindOfClassFromString(const QObject* object, const QString& name)
{
    if (!object || name.isEmpty())
        return false;
    const QByteArray className = name.toLatin1();
    if (object->inherits(className.constData()))
        return true;
    if (!QMetaType::fromName(className + '*').isValid() && !QMetaType::fromName(className).isValid())
        logMessage(QStringLiteral("Class %1 not found.").arg(name));
    return false;
}

bool safeRespondsToSelector(const QObject* object, const char* selector, bool* token)
{
    if (!object || !selector)
        return false;
    QByteArray name(selector);
    if (name.endsWith(':'))
        name.chop(1);
    if (hasMember(object->metaObject(), name))
        return true;
    if (!token || !*token) {
        logMessage(QStringLiteral("Class %1 does not respond to selector %2.")
                       .arg(QLatin1String(object->metaObject()->className()), QLatin1String(selector)));
        if (token)
            *token = true;
    }
    return false;
}

} // namespace sorvant
