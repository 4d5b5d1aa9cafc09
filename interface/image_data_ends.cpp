#include "interface/image_data_ends.h"

#include <cstdlib>
#include <cstring>

namespace sorvant {

namespace {

using Bytes = const unsigned char*;

quint32 bigEndian32(Bytes at)
{
    return quint32(at[0]) << 24 | quint32(at[1]) << 16 | quint32(at[2]) << 8 | quint32(at[3]);
}

quint32 littleEndian32(Bytes at)
{
    return quint32(at[3]) << 24 | quint32(at[2]) << 16 | quint32(at[1]) << 8 | quint32(at[0]);
}

quint16 littleEndian16(Bytes at)
{
    return quint16(at[1] << 8 | at[0]);
}

// The chunks after the signature, each length, type, data and CRC, up to IEND.
bool pngReachesEnd(Bytes data, qsizetype size)
{
    qsizetype at = 8;
    while (at + 12 <= size) {
        const quint32 length = bigEndian32(data + at);
        if (length > quint64(size - at - 12))
            return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            return true;
        at += 12 + qsizetype(length);
    }
    return false;
}

// From just after a start-of-scan header, past the entropy-coded data (where
// 0xFF is followed by 0x00, a restart marker or more 0xFF fill) to the next
// marker; `size` when the data ends first.
qsizetype afterScanData(Bytes data, qsizetype size, qsizetype at)
{
    while (at + 1 < size) {
        if (data[at] != 0xFF) {
            ++at;
            continue;
        }
        const unsigned char next = data[at + 1];
        if (next == 0xFF)
            ++at;
        else if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
            at += 2;
        else
            return at;
    }
    return size;
}

// The segments after SOI, skipped by their lengths (so an embedded
// thumbnail's EOI does not count), up to EOI.
bool jpegReachesEnd(Bytes data, qsizetype size)
{
    qsizetype at = 2;
    while (at < size) {
        // Decoders skip stray bytes before a marker, and fill bytes within one.
        while (at < size && data[at] != 0xFF)
            ++at;
        while (at + 1 < size && data[at + 1] == 0xFF)
            ++at;
        if (at + 1 >= size)
            return false;
        const unsigned char marker = data[at + 1];
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (at + 4 > size)
            return false;
        const qsizetype length = qsizetype(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || at + 2 + length > size)
            return false;
        at += 2 + length;
        if (marker == 0xDA)
            at = afterScanData(data, size, at);
    }
    return false;
}

// Sub-blocks, each a size byte and that many bytes, up to an empty one; the
// position after it, or -1 when the data ends first.
qsizetype afterSubBlocks(Bytes data, qsizetype size, qsizetype at)
{
    while (at < size) {
        const int length = data[at];
        ++at;
        if (length == 0)
            return at;
        at += length;
    }
    return -1;
}

qsizetype colorTableSize(unsigned char flags)
{
    return (flags & 0x80) ? 3 * (qsizetype(1) << ((flags & 7) + 1)) : 0;
}

// The screen descriptor and colour table, then extensions and images up to
// the trailer 0x3B.
bool gifReachesEnd(Bytes data, qsizetype size)
{
    if (size < 13)
        return false;
    qsizetype at = 13 + colorTableSize(data[10]);
    while (at >= 0 && at < size) {
        switch (data[at]) {
        case 0x3B: return true;
        case 0x21: at = afterSubBlocks(data, size, at + 2); break;
        case 0x2C:
            if (at + 10 > size)
                return false;
            // The descriptor, its colour table and the LZW code size byte.
            at = afterSubBlocks(data, size, at + 10 + colorTableSize(data[at + 9]) + 1);
            break;
        default: return true; // not a structure this walk knows: the decoder decides
        }
    }
    return false;
}

// The file header's pixel offset plus the rows the info header declares.
bool bmpReachesEnd(Bytes data, qsizetype size)
{
    if (size < 26)
        return false;
    const qint64 offset = littleEndian32(data + 10);
    const quint32 headerSize = littleEndian32(data + 14);
    qint64 width = 0;
    qint64 rows = 0;
    qint64 bits = 0;
    quint32 compression = 0;
    quint32 imageSize = 0;
    if (headerSize == 12) {
        width = littleEndian16(data + 18);
        rows = littleEndian16(data + 20);
        bits = littleEndian16(data + 24);
    } else if (headerSize >= 40) {
        if (size < 54)
            return false;
        width = qint32(littleEndian32(data + 18));
        rows = std::llabs(qint32(littleEndian32(data + 22)));
        bits = littleEndian16(data + 28);
        compression = littleEndian32(data + 30);
        imageSize = littleEndian32(data + 34);
    } else {
        return true;
    }
    if (offset > size)
        return false;
    const qint64 room = size - offset;
    // Uncompressed rows (plain, bit fields, alpha bit fields) are padded to
    // four bytes; compressed data declares its size.
    if (compression == 0 || compression == 3 || compression == 6) {
        if (width <= 0 || bits <= 0 || rows == 0)
            return true;
        const qint64 stride = (width * bits + 31) / 32 * 4;
        return stride <= room / rows;
    }
    const qint64 declared = imageSize != 0 ? imageSize : qint64(littleEndian32(data + 2)) - offset;
    return declared <= room;
}

} // namespace

bool imageDataReachesItsEnd(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<Bytes>(data.constData());
    const qsizetype size = data.size();
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return pngReachesEnd(bytes, size);
    if (data.startsWith("\xFF\xD8\xFF"))
        return jpegReachesEnd(bytes, size);
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return gifReachesEnd(bytes, size);
    if (data.startsWith("BM"))
        return bmpReachesEnd(bytes, size);
    return true;
}

} // namespace sorvant
