#pragma once
// Facts about the processor, and run-time access to objects and values:
// reading and writing properties by name without failing, tests of an
// object's class by name, logged tests of what an object answers, and key
// paths with array indexes through trees of QVariant maps, lists and QObject
// properties. Timed runs and delayed calls are in run_loop.h.
//
// Key-value access reads a QVariantMap or QVariantHash by key and a QObject
// (or a QVariant holding one) by property; asked of a list, a key answers the
// list of each element's value. Nothing throws: what cannot be read is an
// invalid QVariant; the null marker is nullValue() of values.h.
//   valueForKeyPathWithIndexes({"items": ["a", "b"]}, "items[1]") => "b"
//   valueForKeyPathWithIndexes({"items": ["a", "b"]}, "items[2]") => QVariant()
//   valueForKeyPathWithIndexes({"name": "x"}, "name[0]")          => QVariant()

#include <QString>
#include <QVariant>

class QObject;

namespace sorvant {

// --- processor -----------------------------------------------------------------
// 64 on a 64-bit processor, else 32.
[[nodiscard]] int numberOfBits();
// The processors configured in the machine; never below 1.
[[nodiscard]] int numberOfCPUs();
// The processors this process may run on now; never below 1.
[[nodiscard]] int numberOfAvailableCPUs();

// --- key-value access ------------------------------------------------------------
// The value under `key`; an invalid QVariant when there is none.
[[nodiscard]] QVariant getSafeValueForKey(const QVariant& receiver, const QString& key);
[[nodiscard]] QVariant getSafeValueForKey(const QObject* receiver, const QString& key);
// Writes the property `key` of `receiver`. False for a null receiver or
// key, a property the object does not have, or a value it does not take.
bool setSafeValue(QObject* receiver, const QVariant& value, const QString& key);

// Follows a key path whose components may end in an index ("items[2].name").
// Any missing value on the way, an index of something that is not a list or
// outside it, or a final null marker answers an invalid QVariant.
[[nodiscard]] QVariant valueForKeyPathWithIndexes(const QVariant& receiver, const QString& keyPath);
// That value as a string: a list of exactly one element stands for the
// element; anything but a string answers a null string.
[[nodiscard]] QString stringValueForKeyPathWithIndexes(const QVariant& receiver, const QString& keyPath);

// --- class tests -------------------------------------------------------------------
// Whether the object's class name is exactly `name`; false for null.
//   descriptionOfClassIsEqualTo(new QTimer, "QTimer") => true
[[nodiscard]] bool descriptionOfClassIsEqualTo(const QObject* object, const QString& name);
// Whether the object is of class `name` or a subclass of it. False for null;
// a name that is neither in the object's class chain nor a registered type
// also logs "Class <name> not found.".
[[nodiscard]] bool isKindOfClassFromString(const QObject* object, const QString& name);

// Whether the object has an invokable method or a property named `selector`
// (a trailing ':' ignored). When not, logs "Class <class> does not respond to
// selector <selector>." unless `*token` is already set, and sets `*token`,
// so that each token logs once; without a token every call logs.
[[nodiscard]] bool safeRespondsToSelector(const QObject* object, const char* selector, bool* token = nullptr);

} // namespace sorvant
