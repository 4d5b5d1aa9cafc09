#include "tests/support/ds_store_writer.h"

#include <QFile>

#include <algorithm>

namespace sorvant::test {

namespace {

void appendUInt32(QByteArray& bytes, std::uint32_t value)
{
    bytes.append(char(value >> 24)).append(char(value >> 16)).append(char(value >> 8)).append(char(value));
}

void appendUTF16BigEndian(QByteArray& bytes, const QString& string)
{
    for (const QChar c : string)
        bytes.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xff));
}

std::uint64_t roundedBlockSize(qsizetype length)
{
    std::uint64_t size = 32;
    while (size < std::uint64_t(length))
        size <<= 1;
    return size;
}

int log2Of(std::uint64_t size)
{
    int shift = 0;
    while ((std::uint64_t(1) << shift) < size)
        ++shift;
    return shift;
}

// Builds the subtree of `records` into `image`; answers its block number
// and adds its node count and depth.
std::uint32_t buildSubtree(DSStoreImage& image, QList<QByteArray> records, int perNode, std::uint32_t& nodes,
                           std::uint32_t& levels)
{
    ++nodes;
    const qsizetype n = records.size();
    if (n <= perNode) {
        levels = std::max<std::uint32_t>(levels, 1);
        return image.addBlock(nodeBytes(0, {}, records));
    }
    // k children with k - 1 separator records between them, every child
    // non-empty.
    qsizetype k = perNode + 1;
    while (k > 2 && n - (k - 1) < k)
        --k;
    const qsizetype inChildren = n - (k - 1);
    const qsizetype base = inChildren / k, extra = inChildren % k;
    QList<std::uint32_t> children;
    QList<QByteArray> separators;
    std::uint32_t deepest = 0;
    qsizetype at = 0;
    for (qsizetype child = 0; child < k; ++child) {
        const qsizetype count = base + (child < extra ? 1 : 0);
        std::uint32_t depth = 0;
        children.append(buildSubtree(image, records.mid(at, count), perNode, nodes, depth));
        deepest = std::max(deepest, depth);
        at += count;
        if (child < k - 1)
            separators.append(records.at(at++));
    }
    levels = std::max(levels, deepest + 1);
    const std::uint32_t rightmost = children.takeLast();
    return image.addBlock(nodeBytes(rightmost, children, separators));
}

} // namespace

DSStoreRecord DSStoreRecord::comment(const QString& filename, const QString& comment)
{
    return DSStoreRecord{filename, 0x636d6d74, 0x75737472, comment};
}

QByteArray recordBytes(const DSStoreRecord& record)
{
    QByteArray bytes;
    appendUInt32(bytes, std::uint32_t(record.filename.size()));
    appendUTF16BigEndian(bytes, record.filename);
    appendUInt32(bytes, record.codec);
    appendUInt32(bytes, record.type);
    switch (record.type) {
    case 0x75737472: { // 'ustr'
        const QString text = record.value.toString();
        appendUInt32(bytes, std::uint32_t(text.size()));
        appendUTF16BigEndian(bytes, text);
        break;
    }
    case 0x626c6f62: { // 'blob'
        const QByteArray data = record.value.toByteArray();
        appendUInt32(bytes, std::uint32_t(data.size()));
        bytes.append(data);
        break;
    }
    case 0x626f6f6c: // 'bool'
        bytes.append(char(record.value.toBool() ? 1 : 0));
        break;
    case 0x636f6d70: // 'comp'
    case 0x64757463: { // 'dutc'
        const auto value = std::uint64_t(record.value.toLongLong());
        appendUInt32(bytes, std::uint32_t(value >> 32));
        appendUInt32(bytes, std::uint32_t(value));
        break;
    }
    default: // 'long', 'shor', 'type'
        appendUInt32(bytes, std::uint32_t(record.value.toLongLong()));
        break;
    }
    return bytes;
}

QByteArray nodeBytes(std::uint32_t rightmost, const QList<std::uint32_t>& children, const QList<QByteArray>& records)
{
    QByteArray bytes;
    appendUInt32(bytes, rightmost);
    appendUInt32(bytes, std::uint32_t(records.size()));
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (rightmost != 0)
            appendUInt32(bytes, i < children.size() ? children.at(i) : 0);
        bytes.append(records.at(i));
    }
    return bytes;
}

QByteArray treeHeaderBytes(std::uint32_t rootNode, std::uint32_t levels, std::uint32_t records, std::uint32_t nodes,
                           std::uint32_t pageSize)
{
    QByteArray bytes;
    for (const std::uint32_t value : {rootNode, levels, records, nodes, pageSize})
        appendUInt32(bytes, value);
    return bytes;
}

std::uint32_t DSStoreImage::addBlock(const QByteArray& bytes)
{
    m_blocks.append(bytes);
    return std::uint32_t(m_blocks.size() - 1);
}

void DSStoreImage::setBlock(std::uint32_t number, const QByteArray& bytes)
{
    m_blocks[number] = bytes;
}

void DSStoreImage::addEntry(const QByteArray& name, std::uint32_t block)
{
    m_entries.append({name, block});
}

QByteArray DSStoreImage::build(std::uint32_t extraAddresses) const
{
    const auto addressCount = std::uint32_t(m_blocks.size()) + extraAddresses;
    const std::uint32_t rounded = (addressCount + 255) / 256 * 256;
    QByteArray tableOfContents;
    appendUInt32(tableOfContents, std::uint32_t(m_entries.size()));
    for (const auto& [name, block] : m_entries) {
        tableOfContents.append(char(name.size())).append(name);
        appendUInt32(tableOfContents, block);
    }
    // Root block size: count, unknown word, the table, the table of
    // contents, 32 empty free lists.
    const qsizetype rootLength = 8 + 4 * qsizetype(rounded) + tableOfContents.size() + 32 * 4;

    // Lay out: the header takes block space 0..31; each block is aligned to
    // its own size.
    QList<std::uint64_t> sizes;
    for (qsizetype i = 0; i < m_blocks.size(); ++i)
        sizes.append(roundedBlockSize(i == 0 ? rootLength : m_blocks.at(i).size()));
    m_offsets.clear();
    std::uint64_t next = 32;
    for (const std::uint64_t size : sizes) {
        next = (next + size - 1) / size * size;
        m_offsets.append(next);
        next += size;
    }

    QByteArray root;
    appendUInt32(root, addressCount);
    appendUInt32(root, 0);
    for (std::uint32_t i = 0; i < rounded; ++i)
        appendUInt32(root, i < m_blocks.size() ? std::uint32_t(m_offsets.at(i)) | std::uint32_t(log2Of(sizes.at(i))) : 0);
    root.append(tableOfContents);
    root.append(QByteArray(32 * 4, '\0'));

    QByteArray file(qsizetype(4 + next), '\0');
    const auto put32 = [&file](qsizetype at, std::uint32_t value) {
        QByteArray word;
        appendUInt32(word, value);
        file.replace(at, 4, word);
    };
    put32(0, 1);
    put32(4, 0x42756431);
    put32(8, std::uint32_t(m_offsets.at(0)));
    put32(12, std::uint32_t(sizes.at(0)));
    put32(16, std::uint32_t(m_offsets.at(0)));
    for (qsizetype i = 0; i < m_blocks.size(); ++i) {
        const QByteArray& bytes = i == 0 ? root : m_blocks.at(i);
        file.replace(qsizetype(4 + m_offsets.at(i)), bytes.size(), bytes);
    }
    return file;
}

std::uint64_t DSStoreImage::fileOffsetOfBlock(std::uint32_t number) const
{
    return 4 + m_offsets.value(number);
}

QByteArray dsStoreBytes(const QList<DSStoreRecord>& records, int recordsPerNode)
{
    QList<DSStoreRecord> sorted = records;
    std::stable_sort(sorted.begin(), sorted.end(), [](const DSStoreRecord& a, const DSStoreRecord& b) {
        return a.filename.compare(b.filename, Qt::CaseInsensitive) < 0;
    });
    QList<QByteArray> bytes;
    for (const DSStoreRecord& record : sorted)
        bytes.append(recordBytes(record));
    DSStoreImage image;
    const std::uint32_t header = image.addBlock(QByteArray()); // filled below
    std::uint32_t nodes = 0, levels = 0;
    const std::uint32_t root = buildSubtree(image, bytes, std::max(recordsPerNode, 2), nodes, levels);
    image.setBlock(header, treeHeaderBytes(root, levels, std::uint32_t(records.size()), nodes));
    image.addEntry("DSDB", header);
    return image.build();
}

bool writeDSStore(const QString& folder, const QList<DSStoreRecord>& records, int recordsPerNode)
{
    QFile file(folder + QStringLiteral("/.DS_Store"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = dsStoreBytes(records, recordsPerNode);
    return file.write(bytes) == bytes.size();
}

} // namespace sorvant::test
