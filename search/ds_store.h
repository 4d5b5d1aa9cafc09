#pragma once
// Finder comments read from a folder's ".DS_Store" file: the file's block
// allocator, its "DSDB" B-tree of records, and the comment ('cmmt') of a file
// name. Read only; the file is never written.
//
// The file is read whole into memory and closed at once (under a shared,
// non-blocking flock while it is read; a file system without flock is read
// unlocked). Every size and offset is checked in 64 bits against the bytes
// actually read, and the tree is walked without recursion with a visited
// mark per block, so a damaged or hostile file gives fewer comments and a
// "WARNING: " line, never a crash or a read outside the file.
//
// Layers, each usable alone (the fuzz harness and the tests drive them on
// bytes): DSStoreStream reads big-endian integers from a window of the file;
// DSStoreBlock is one block; DSStoreAllocator reads the header, the block
// addresses and the table of contents; DSStoreEntry decodes values and
// records; DSStore reads the tree and answers comments.
//
// Not here: comments kept in extended attributes (platform/xattr.h), writing
// ".DS_Store" files (tests only).

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sorvant {

// Four-character codes of the format.
inline constexpr std::uint32_t kDSStoreMagic = 0x42756431;   // "Bud1"
inline constexpr std::uint32_t kDSStoreCommentCode = 0x636d6d74; // 'cmmt'

// --- streams and blocks ----------------------------------------------------------

// A window of `size` bytes of the file, starting at file offset `offset` plus
// a header offset (4 for blocks: block offsets count from file offset 4).
// Reads past the window or the file's end read nothing and answer 0.
class DSStoreStream
{
public:
    DSStoreStream(QByteArrayView file, std::uint64_t offset, std::uint64_t size, std::uint64_t headerOffset = 4);
    virtual ~DSStoreStream() = default;
    DSStoreStream(const DSStoreStream&) = default;
    DSStoreStream& operator=(const DSStoreStream&) = default;

    [[nodiscard]] std::uint64_t headerOffset() const { return m_headerOffset; }
    [[nodiscard]] std::uint64_t size() const { return m_size; }
    [[nodiscard]] std::uint64_t offset() const { return m_offset; }
    [[nodiscard]] std::uint64_t position() const { return m_pos; }
    // Size minus position; 0 when past the end.
    [[nodiscard]] std::uint64_t remainingBytes() const { return m_pos < m_size ? m_size - m_pos : 0; }
    [[nodiscard]] bool isEOF() const { return m_pos >= m_size; }

    // Big-endian integers; bytes that cannot be read count as 0 (a failed
    // read moves to the end).
    std::uint8_t readUInt8();
    std::uint16_t readUInt16();
    std::uint32_t readUInt32();
    std::uint64_t readUInt64();
    // Position = min(size, position + n).
    void skipBytes(std::uint64_t n);
    // Copies `length` bytes and answers `length`; when they do not fit, fills
    // the buffer with zeros, moves to the end and answers 0. A null buffer or
    // length 0 reads nothing.
    std::uint64_t readBytes(void* buffer, std::uint64_t length);
    // The next `length` bytes; null for 0 or when they do not fit (then
    // the position moves to the end).
    [[nodiscard]] QByteArray readDataOfLength(std::uint64_t length);
    // The next `length` bytes as a view into the file; as readDataOfLength.
    [[nodiscard]] std::optional<QByteArrayView> readView(std::uint64_t length);

    // "<class>: <size> bytes at offset <offset>"
    [[nodiscard]] virtual QString description() const;
    // Same class, offset and size.
    [[nodiscard]] bool isEqual(const DSStoreStream& other) const;

protected:
    [[nodiscard]] virtual const char* className() const { return "DSStoreStream"; }

    QByteArrayView m_window; // the bytes of the window that exist in the file
    std::uint64_t m_size = 0;
    std::uint64_t m_offset = 0;
    std::uint64_t m_pos = 0;
    std::uint64_t m_headerOffset = 4;
};

// One block of the file. Invalid (every read fails) when size is 0 or the
// block does not lie wholly inside the file.
class DSStoreBlock : public DSStoreStream
{
public:
    DSStoreBlock(QByteArrayView file, std::uint64_t offset, std::uint64_t size);
    [[nodiscard]] bool isValid() const { return m_size > 0 && std::uint64_t(m_window.size()) == m_size; }

protected:
    [[nodiscard]] const char* className() const override { return "DSStoreBlock"; }
};

// --- the allocator ------------------------------------------------------------------

// The file's header, block-address table and table of contents. Invalid
// when the header words are not 1 and "Bud1", the two root offsets differ,
// the root block is missing, the address table is empty or larger than the
// file, or the table of contents is empty.
class DSStoreAllocator : public DSStoreStream
{
public:
    // Reads the structure of the file's bytes (kept, shared, by the object).
    explicit DSStoreAllocator(const QByteArray& file);
    // Blocks view the bytes this object keeps; it is not copied.
    DSStoreAllocator(const DSStoreAllocator&) = delete;
    DSStoreAllocator& operator=(const DSStoreAllocator&) = delete;

    [[nodiscard]] bool isValid() const { return m_valid; }
    [[nodiscard]] const QByteArray& fileData() const { return m_file; }
    // The block number of a table-of-contents name; NSNotFound-like -1 for
    // null, empty and absent names.  "DSDB" => its block   "" => -1
    [[nodiscard]] std::int64_t indexOfEntryNamed(const QString& name) const;
    // Offset and size of block `index`; 0 for an index past the table, size 0
    // for an empty entry.
    [[nodiscard]] std::uint64_t offsetAtIndex(std::uint64_t index) const;
    [[nodiscard]] std::uint64_t sizeAtIndex(std::uint64_t index) const;
    [[nodiscard]] std::uint64_t numberOfBlocks() const { return m_offsets.size(); }
    // Block `index`; invalid past the table, for an empty entry, or when the
    // block does not lie inside the file.
    [[nodiscard]] DSStoreBlock blockAtIndex(std::uint64_t index) const;
    [[nodiscard]] DSStoreBlock blockForEntryNamed(const QString& name) const;
    [[nodiscard]] QString description() const override;

protected:
    [[nodiscard]] const char* className() const override { return "DSStoreAllocator"; }

private:
    bool readHeader();
    void readTableOfContents(DSStoreBlock& root);

    QByteArray m_file;
    std::vector<std::uint32_t> m_offsets;
    QHash<QString, std::uint32_t> m_entries;
    bool m_valid = false;
};

// --- records ---------------------------------------------------------------------------

// One record of the tree: a file name, a structure code, a data type and its
// value (bool, qint32, qint64, QByteArray for 'blob', QString for 'ustr';
// invalid when the type is unknown or the value empty).
struct DSStoreEntry
{
    QString filename;
    std::uint32_t codec = 0;
    std::uint32_t type = 0;
    QVariant value;

    // Reads one value of `type`; when not `wanted`, skips it and answers an
    // invalid value. Unknown types read nothing.
    static QVariant getValue(bool wanted, std::uint32_t type, DSStoreStream& stream);
    // Reads one whole record; nullopt when its name does not fit the stream.
    // The value is read only when the structure code is `codec` (0: every
    // value), else skipped.
    static std::optional<DSStoreEntry> readEntry(DSStoreStream& stream, std::uint32_t codec);
    // "DSStoreEntry <name>: cmmt:ustr"
    [[nodiscard]] QString description() const;
};

// --- the store ---------------------------------------------------------------------------

class DSStore : public DSStoreAllocator
{
public:
    // The store of a folder's ".DS_Store"; null when the folder path is null
    // or empty, no folder is there, the file is missing or held exclusively
    // by a writer, or the file is damaged (logged as a warning).
    static std::unique_ptr<DSStore> storeWithDirectory(const QString& directory);
    // The store of the open folder `folderFd`, which `directory` names; null
    // as above. Only a regular ".DS_Store" is opened: a device, a pipe or a
    // link of that name is not.
    static std::unique_ptr<DSStore> storeInFolder(int folderFd, const QString& directory);
    // A store read from bytes, answered even when invalid (no comments).
    explicit DSStore(const QByteArray& file, const QString& directory = QString());

    [[nodiscard]] const QString& directory() const { return m_directory; }
    // The Finder comment of a file name of the folder; null when none. Names
    // compare in Unicode form C on both sides.
    //   "Readme" => "a comment"   "nope" => null   "" => null
    [[nodiscard]] QString finderCommentForFilename(const QString& filename);
    // The value of the first record with the name (compared as stored, in
    // UTF-16) and the structure code, walking the tree in order; invalid
    // when none.
    [[nodiscard]] QVariant valueForFilename(const QString& filename, std::uint32_t codec) const;
    [[nodiscard]] QString description() const override;

    // --- the per-thread cache (60 s, one folder per thread) ---

    // The Finder comment of the item at `path`, through this thread's cached
    // store of the item's folder. Null when none.
    static QString finderCommentAtPath(const QString& path);
    // The same for the item `filename` of the open folder `folderFd`, which
    // `folder` names (the cache key): the store is read relative to the
    // descriptor, so any depth of path answers.
    static QString finderCommentInFolder(int folderFd, const QString& folder, const QString& filename);
    // The comment Linux file managers keep in "user.xdg.comment"; null when
    // none or for a null or empty path.
    static QString spotlightCommentAtPath(const QString& path);
    // The comment the results show and a comment search reads: the
    // ".DS_Store" comment where there is a non-empty one, else the item's
    // "user.xdg.comment" (a symbolic link has none of its own; its target's
    // is not taken). Null when neither holds one.
    static QString itemCommentAtPath(const QString& path);
    // The same for the item `filename` (`itemBytes` on disk) of the open
    // folder `folderFd`, which `folder` names. `attributeError`, when given,
    // is the errno of a read of the attribute that failed (ENODATA for an
    // item without one), else 0 (read, or not needed).
    static QString itemCommentInFolder(int folderFd, const QString& folder, const QString& filename,
                                       const char* itemBytes, int* attributeError = nullptr);
    // The modification date of the ".DS_Store" of the item's folder, cached
    // per thread for the last file asked; null when missing.
    static QDateTime finderCommentModificationDateAtPath(const QString& path);
    // Forgets this thread's cached store and date, and which unreadable
    // stores were named (each is named once in a process until then).
    static void invalidateFinderCommentsCache();
    // How many times this thread has opened a folder's store (for tests of
    // the cache).
    static std::uint64_t storesOpenedOnThisThread();

private:
    using Visitor = std::function<bool(DSStoreBlock& node)>;
    // Walks the tree from the root node in order, calling `visit` for each
    // record's stream position; `visit` answers NO to stop the walk.
    void walkTree(const Visitor& visit) const;
    void buildCommentCache();
    static QString commentThroughCache(const QString& folder, const QString& filename,
                                       const std::function<std::unique_ptr<DSStore>()>& open);

    QString m_directory;
    std::uint32_t m_rootNode = 0;
    std::uint32_t m_levels = 0;
    std::uint32_t m_records = 0;
    std::uint32_t m_nodes = 0;
    std::uint32_t m_pageSize = 0;
    std::optional<QHash<QString, QString>> m_cachedFinderComments;
    // Set once the damage found by a walk of the tree has been logged.
    mutable std::atomic<bool> m_reportedDamage{false};
};

} // namespace sorvant
