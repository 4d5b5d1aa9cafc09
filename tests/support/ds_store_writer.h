#pragma once
// A small writer of ".DS_Store" files, for tests and for generating test
// trees only (the product never writes one). It writes the layout the
// reader expects: the 36-byte header, a root block with the block-address
// table and the table of contents, a "DSDB" tree header and a B-tree of
// records, every block a power of two in size and aligned to it.
//
// Two levels of use:
//   - writeDSStore / dsStoreBytes: records in, a whole file out, the tree
//     split into nodes of at most `recordsPerNode` records;
//   - DSStoreImage: blocks and table-of-contents entries by hand, to build
//     damaged or unusual files (loops, missing blocks, wrong sizes).
// Plain C++ and Qt Core, no other library.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>

namespace sorvant::test {

// One record: a file name, a structure code, a data type and its value.
// Values by type: 'ustr' QString, 'blob' QByteArray, 'bool' bool,
// 'long'/'shor'/'type' integer, 'comp'/'dutc' 64-bit integer.
struct DSStoreRecord
{
    QString filename;
    std::uint32_t codec = 0x636d6d74; // 'cmmt'
    std::uint32_t type = 0x75737472;  // 'ustr'
    QVariant value;

    // A Finder comment record.
    static DSStoreRecord comment(const QString& filename, const QString& comment);
};

// The bytes of one record as the tree stores it.
[[nodiscard]] QByteArray recordBytes(const DSStoreRecord& record);
// The bytes of one tree node: `rightmost` (0 for a leaf), the count, then per
// entry the child block number (inner nodes only) and the record bytes.
[[nodiscard]] QByteArray nodeBytes(std::uint32_t rightmost, const QList<std::uint32_t>& children,
                                   const QList<QByteArray>& records);
// The five fields of the "DSDB" tree header block.
[[nodiscard]] QByteArray treeHeaderBytes(std::uint32_t rootNode, std::uint32_t levels, std::uint32_t records,
                                         std::uint32_t nodes, std::uint32_t pageSize = 4096);

// A file assembled from blocks. Block 0 is the root block, made by build().
class DSStoreImage
{
public:
    // Adds a block holding `bytes` (padded to a power of two of at least 32)
    // and answers its block number (1, 2, ...).
    std::uint32_t addBlock(const QByteArray& bytes);
    // Replaces the bytes of a block added earlier.
    void setBlock(std::uint32_t number, const QByteArray& bytes);
    // Adds a table-of-contents entry (such as "DSDB").
    void addEntry(const QByteArray& name, std::uint32_t block);
    // Lays out the file: header, root block, then every block aligned to its
    // size. `extraAddresses` adds empty entries to the address table.
    [[nodiscard]] QByteArray build(std::uint32_t extraAddresses = 0) const;

    // After build(): the file offset where a block's bytes start (block
    // offset + 4), to patch bytes of a built file.
    [[nodiscard]] std::uint64_t fileOffsetOfBlock(std::uint32_t number) const;

private:
    QList<QByteArray> m_blocks{QByteArray()}; // [0] is the root block, made by build()
    QList<QPair<QByteArray, std::uint32_t>> m_entries;
    mutable QList<std::uint64_t> m_offsets;
};

// A whole file holding the records, split into nodes of at most
// `recordsPerNode` records (at least 2).
[[nodiscard]] QByteArray dsStoreBytes(const QList<DSStoreRecord>& records, int recordsPerNode = 64);

// Writes dsStoreBytes into `folder`/.DS_Store; NO when it cannot be written.
bool writeDSStore(const QString& folder, const QList<DSStoreRecord>& records, int recordsPerNode = 64);

} // namespace sorvant::test
