#pragma once
// Binary property lists ("bplist00") built object by object, for tests of
// the readers: offsets and references are four bytes, the first object is
// the top one. The application never writes this form.

#include <QByteArray>
#include <QList>

namespace sorvant::test {

// `value` in `size` big-endian bytes.
inline QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        bytes[i] = char(value & 0xFF);
    return bytes;
}

// The marker of an object of `kind` holding `count` items or bytes.
inline QByteArray marker(int kind, quint64 count)
{
    if (count < 15)
        return QByteArray(1, char(kind << 4 | int(count)));
    return char(kind << 4 | 0x0F) + (char(0x13) + bigEndian(count, 8));
}

// A container of `kind` (0xA array, 0xD dictionary: keys, then values)
// holding `references`.
inline QByteArray container(int kind, const QList<quint64>& references)
{
    QByteArray bytes = marker(kind, quint64(kind == 0xD ? references.size() / 2 : references.size()));
    for (const quint64 reference : references)
        bytes += bigEndian(reference, 4);
    return bytes;
}

// A binary property list of `objects`.
inline QByteArray binaryList(const QList<QByteArray>& objects)
{
    QByteArray data("bplist00");
    QByteArray offsets;
    for (const QByteArray& object : objects) {
        offsets += bigEndian(quint64(data.size()), 4);
        data += object;
    }
    const quint64 table = quint64(data.size());
    return data + offsets + QByteArray(6, '\0') + char(4) + char(4) + bigEndian(quint64(objects.size()), 8)
           + bigEndian(0, 8) + bigEndian(table, 8);
}

} // namespace sorvant::test
