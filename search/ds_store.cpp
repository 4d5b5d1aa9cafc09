#include "search/ds_store.h"

#include "foundation/normalized_forms.h"
#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/unique_fd.h"
#include "platform/xattr.h"

#include <QDateTime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

namespace sorvant {

namespace {

constexpr std::uint32_t kCodeBool = 0x626f6f6c; // 'bool'
constexpr std::uint32_t kCodeLong = 0x6c6f6e67; // 'long'
constexpr std::uint32_t kCodeShor = 0x73686f72; // 'shor'
constexpr std::uint32_t kCodeType = 0x74797065; // 'type'
constexpr std::uint32_t kCodeComp = 0x636f6d70; // 'comp'
constexpr std::uint32_t kCodeDutc = 0x64757463; // 'dutc'
constexpr std::uint32_t kCodeBlob = 0x626c6f62; // 'blob'
constexpr std::uint32_t kCodeUstr = 0x75737472; // 'ustr'

// A Finder-written file is a few kilobytes; anything far beyond that is not
// one, and reading it whole would only cost memory.
constexpr qint64 kMaximumFileSize = 64 * 1024 * 1024;
// The cache rule: a store read more than this long ago is read again.
constexpr auto kCacheLifetime = std::chrono::seconds(60);

QString fourCharacters(std::uint32_t code)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text.append(QChar(char16_t((code >> shift) & 0xff)));
    return text;
}

QString stringFromUTF16BigEndian(QByteArrayView bytes)
{
    QString string(bytes.size() / 2, Qt::Uninitialized);
    char16_t* units = reinterpret_cast<char16_t*>(string.data());
    for (qsizetype i = 0; i < string.size(); ++i)
        units[i] = char16_t((std::uint8_t(bytes[2 * i]) << 8) | std::uint8_t(bytes[2 * i + 1]));
    return string;
}

QByteArray utf16BigEndianBytes(const QString& string)
{
    QByteArray bytes(string.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < string.size(); ++i) {
        const char16_t unit = string.at(i).unicode();
        bytes[2 * i] = char(unit >> 8);
        bytes[2 * i + 1] = char(unit & 0xff);
    }
    return bytes;
}

constexpr const char* kStoreFileName = ".DS_Store";

// The unreadable stores named so far: each is named once, not once per
// thread, per slice of its folder, per re-read after the cache lifetime or
// per result row. Bounded, so that a tree of countless unreadable stores
// costs no more than this many paths.
constexpr std::size_t kMostStoresNamed = 4096;

struct NamedStores
{
    std::mutex mutex;
    std::unordered_set<QString> paths;
};

NamedStores& namedStores()
{
    static NamedStores named;
    return named;
}

// Says that the store at `path` cannot be read (`error`), the first time.
void warnUnreadableStoreOnce(const QString& path, int error)
{
    NamedStores& named = namedStores();
    {
        const std::lock_guard lock(named.mutex);
        if (named.paths.size() >= kMostStoresNamed) {
            if (named.paths.size() > kMostStoresNamed)
                return;
            // Once full, one more entry that no path equals marks it.
            named.paths.insert(QString());
            logWarning(QStringLiteral("Skipped the comments in more than %1 unreadable .DS_Store files; "
                                      "the rest are not named")
                           .arg(kMostStoresNamed));
            return;
        }
        if (!named.paths.insert(path).second)
            return;
    }
    logWarning(QStringLiteral("Skipped the comments in %1: %2").arg(path, errorMessage(error)));
}

// Reads the whole ".DS_Store" of the open folder `folderFd` (`path` names it
// in messages). nullopt when it is missing, not a regular file, too large,
// or held exclusively by a writer. Its type is checked before it is opened,
// so a device or a pipe of that name is never opened, and a link of that
// name is not followed. The shared lock lasts only while the bytes are read.
std::optional<QByteArray> readStoreFile(int folderFd, const QString& path)
{
    // A store that is there but cannot be read hides every comment of its
    // folder: it is named, as a folder that cannot be read is. None at all
    // (or one gone meanwhile) is the common case and no failure.
    const auto warnUnreadable = [&path](int error) {
        if (error != ENOENT && error != ENOTDIR)
            warnUnreadableStoreOnce(path, error);
    };
    struct stat info = {};
    // EACCES here is a folder that can be listed but not entered: whether
    // it holds a store at all is unknown, and its items are unreadable too.
    if (::fstatat(folderFd, kStoreFileName, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != EACCES)
            warnUnreadable(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode))
        return std::nullopt;
    UniqueFd fd(::openat(folderFd, kStoreFileName, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (!fd.isValid()) {
        warnUnreadable(errno);
        return std::nullopt;
    }
    // The name may have been replaced between the two calls.
    const bool regular = ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
    if (!regular || info.st_size > kMaximumFileSize) {
        if (regular)
            logWarning(QStringLiteral("Damaged .DS_Store file: %1 (%2 bytes)").arg(path).arg(info.st_size));
        return std::nullopt;
    }
    bool locked = ::flock(fd.get(), LOCK_SH | LOCK_NB) == 0;
    if (!locked && errno == EWOULDBLOCK)
        return std::nullopt;
    // Any other flock failure (ENOLCK, EINVAL, EOPNOTSUPP on network and FUSE
    // mounts) means the file system cannot lock: read unlocked.
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    int readError = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd.get(), bytes.data() + done, size_t(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            readError = errno;
        if (n <= 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    if (locked)
        ::flock(fd.get(), LOCK_UN);
    fd.reset();
    if (readError != 0) {
        warnUnreadable(readError);
        return std::nullopt;
    }
    return bytes;
}

} // namespace

// --- DSStoreStream ----------------------------------------------------------------

DSStoreStream::DSStoreStream(QByteArrayView file, std::uint64_t offset, std::uint64_t size,
                             std::uint64_t headerOffset)
    : m_size(size), m_offset(offset), m_headerOffset(headerOffset)
{
    // Offsets come from the file as 32-bit values; their sum fits in 64 bits.
    const std::uint64_t start = offset + headerOffset;
    const std::uint64_t length = std::uint64_t(file.size());
    if (start < length)
        m_window = file.sliced(qsizetype(start), qsizetype(std::min(size, length - start)));
}

std::uint8_t DSStoreStream::readUInt8()
{
    std::uint8_t byte = 0;
    readBytes(&byte, 1);
    return byte;
}

std::uint16_t DSStoreStream::readUInt16()
{
    std::uint8_t b[2] = {};
    readBytes(b, 2);
    return std::uint16_t((b[0] << 8) | b[1]);
}

std::uint32_t DSStoreStream::readUInt32()
{
    std::uint8_t b[4] = {};
    readBytes(b, 4);
    return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
}

std::uint64_t DSStoreStream::readUInt64()
{
    const std::uint64_t high = readUInt32();
    return (high << 32) | readUInt32();
}

void DSStoreStream::skipBytes(std::uint64_t n)
{
    m_pos = n > remainingBytes() ? std::max(m_pos, m_size) : m_pos + n;
}

std::uint64_t DSStoreStream::readBytes(void* buffer, std::uint64_t length)
{
    if (!buffer || length == 0)
        return 0;
    const std::optional<QByteArrayView> bytes = readView(length);
    if (!bytes) {
        std::memset(buffer, 0, length);
        return 0;
    }
    std::memcpy(buffer, bytes->data(), length);
    return length;
}

QByteArray DSStoreStream::readDataOfLength(std::uint64_t length)
{
    const std::optional<QByteArrayView> bytes = length ? readView(length) : std::nullopt;
    return bytes ? bytes->toByteArray() : QByteArray();
}

std::optional<QByteArrayView> DSStoreStream::readView(std::uint64_t length)
{
    // Both the declared window and the bytes the file really has must hold
    // the read.
    const std::uint64_t available = std::uint64_t(m_window.size());
    if (m_pos > m_size || length > m_size - m_pos || m_pos > available || length > available - m_pos) {
        m_pos = std::max(m_pos, m_size);
        return std::nullopt;
    }
    const QByteArrayView bytes = m_window.sliced(qsizetype(m_pos), qsizetype(length));
    m_pos += length;
    return bytes;
}

QString DSStoreStream::description() const
{
    return QStringLiteral("%1: %2 bytes at offset %3").arg(QLatin1String(className())).arg(m_size).arg(m_offset);
}

bool DSStoreStream::isEqual(const DSStoreStream& other) const
{
    return std::strcmp(className(), other.className()) == 0 && m_offset == other.m_offset
        && m_size == other.m_size;
}

// --- DSStoreBlock --------------------------------------------------------------------

DSStoreBlock::DSStoreBlock(QByteArrayView file, std::uint64_t offset, std::uint64_t size)
    : DSStoreStream(file, offset, size, 4)
{
    // A block that does not lie wholly in the file has no bytes at all.
    if (std::uint64_t(m_window.size()) != size)
        m_window = QByteArrayView();
}

// --- DSStoreAllocator ------------------------------------------------------------------

DSStoreAllocator::DSStoreAllocator(const QByteArray& file)
    : DSStoreStream(file, 0, std::uint64_t(file.size()), 0), m_file(file)
{
    // m_window views m_file's shared data, which this object keeps alive.
    m_window = QByteArrayView(m_file);
    m_valid = readHeader();
    if (!m_valid) {
        m_offsets.clear();
        m_entries.clear();
    }
}

bool DSStoreAllocator::readHeader()
{
    if (readUInt32() != 1 || readUInt32() != kDSStoreMagic)
        return false;
    const std::uint32_t rootOffset = readUInt32();
    const std::uint32_t rootSize = readUInt32();
    if (readUInt32() != rootOffset)
        return false;
    DSStoreBlock root(m_file, rootOffset, rootSize);
    if (!root.isValid())
        return false;
    const std::uint64_t count = root.readUInt32();
    const std::uint64_t rounded = (count + 255) / 256 * 256;
    const std::uint64_t fileSize = std::uint64_t(m_file.size());
    if (rounded == 0 || fileSize < 20 || rounded * 4 > fileSize - 20)
        return false;
    root.skipBytes(4);
    m_offsets.assign(rounded, 0);
    std::uint8_t chunk[1024];
    for (std::uint64_t i = 0; i < rounded; i += 256) {
        // A chunk that runs past the root block reads as zeros.
        root.readBytes(chunk, sizeof chunk);
        for (int j = 0; j < 256; ++j)
            m_offsets[i + j] = (std::uint32_t(chunk[4 * j]) << 24) | (std::uint32_t(chunk[4 * j + 1]) << 16)
                | (std::uint32_t(chunk[4 * j + 2]) << 8) | chunk[4 * j + 3];
    }
    readTableOfContents(root);
    return !m_entries.isEmpty();
}

void DSStoreAllocator::readTableOfContents(DSStoreBlock& root)
{
    std::uint64_t count = root.readUInt32();
    while (count-- > 0) {
        const std::uint8_t length = root.readUInt8();
        if (length == 0)
            break;
        const std::optional<QByteArrayView> name = root.readView(length);
        if (!name)
            break;
        const std::uint32_t block = root.readUInt32();
        m_entries.insert(QString::fromLatin1(*name), block);
    }
}

std::int64_t DSStoreAllocator::indexOfEntryNamed(const QString& name) const
{
    const auto found = m_entries.constFind(name);
    return name.isEmpty() || found == m_entries.cend() ? -1 : std::int64_t(*found);
}

std::uint64_t DSStoreAllocator::offsetAtIndex(std::uint64_t index) const
{
    return index < m_offsets.size() ? (m_offsets[index] & ~std::uint32_t(31)) : 0;
}

std::uint64_t DSStoreAllocator::sizeAtIndex(std::uint64_t index) const
{
    if (index >= m_offsets.size() || m_offsets[index] == 0)
        return 0;
    return std::uint64_t(1) << (m_offsets[index] & 31);
}

DSStoreBlock DSStoreAllocator::blockAtIndex(std::uint64_t index) const
{
    // sizeAtIndex is 0 for absent entries, which makes the block invalid.
    return DSStoreBlock(m_file, offsetAtIndex(index), sizeAtIndex(index));
}

DSStoreBlock DSStoreAllocator::blockForEntryNamed(const QString& name) const
{
    const std::int64_t index = indexOfEntryNamed(name);
    return index < 0 ? DSStoreBlock(QByteArrayView(), 0, 0) : blockAtIndex(std::uint64_t(index));
}

QString DSStoreAllocator::description() const
{
    QString entries;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        entries += QStringLiteral("    %1 = %2\n").arg(it.key()).arg(it.value());
    return QStringLiteral("DSStoreAllocator: %1 blocks, Entries:\n%2").arg(m_offsets.size()).arg(entries);
}

// --- DSStoreEntry ------------------------------------------------------------------------

QVariant DSStoreEntry::getValue(bool wanted, std::uint32_t type, DSStoreStream& stream)
{
    switch (type) {
    case kCodeBool: {
        const std::uint8_t value = stream.readUInt8();
        return wanted ? QVariant(value != 0) : QVariant();
    }
    case kCodeLong:
    case kCodeShor:
    case kCodeType: {
        const std::int32_t value = std::int32_t(stream.readUInt32());
        return wanted ? QVariant(value) : QVariant();
    }
    case kCodeComp:
    case kCodeDutc: {
        const std::int64_t value = std::int64_t(stream.readUInt64());
        return wanted ? QVariant(qint64(value)) : QVariant();
    }
    case kCodeBlob: {
        const std::uint64_t length = stream.readUInt32();
        if (!wanted || length == 0) {
            stream.skipBytes(length);
            return {};
        }
        const QByteArray data = stream.readDataOfLength(length);
        return data.isNull() ? QVariant() : QVariant(data);
    }
    case kCodeUstr: {
        const std::uint64_t count = stream.readUInt32();
        if (!wanted || count == 0) {
            stream.skipBytes(2 * count);
            return {};
        }
        const std::optional<QByteArrayView> bytes = stream.readView(2 * count);
        return bytes ? QVariant(stringFromUTF16BigEndian(*bytes)) : QVariant();
    }
    default:
        return {};
    }
}

std::optional<DSStoreEntry> DSStoreEntry::readEntry(DSStoreStream& stream, std::uint32_t codec)
{
    const std::uint64_t length = stream.readUInt32();
    const std::optional<QByteArrayView> name = stream.readView(2 * length);
    if (!name)
        return std::nullopt;
    DSStoreEntry entry;
    entry.filename = stringFromUTF16BigEndian(*name);
    entry.codec = stream.readUInt32();
    entry.type = stream.readUInt32();
    entry.value = getValue(codec == 0 || entry.codec == codec, entry.type, stream);
    return entry;
}

QString DSStoreEntry::description() const
{
    return QStringLiteral("DSStoreEntry <%1>: %2:%3").arg(filename, fourCharacters(codec), fourCharacters(type));
}

// --- DSStore ------------------------------------------------------------------------------

DSStore::DSStore(const QByteArray& file, const QString& directory)
    : DSStoreAllocator(file), m_directory(directory)
{
    if (!isValid())
        return;
    DSStoreBlock header = blockForEntryNamed(QStringLiteral("DSDB"));
    m_rootNode = header.readUInt32();
    m_levels = header.readUInt32();
    m_records = header.readUInt32();
    m_nodes = header.readUInt32();
    m_pageSize = header.readUInt32();
}

std::unique_ptr<DSStore> DSStore::storeWithDirectory(const QString& directory)
{
    const QByteArray bytes = fileSystemRepresentation(directory);
    if (bytes.isEmpty())
        return nullptr;
    const int fd = ::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<DSStore> store = storeInFolder(fd, directory);
    ::close(fd);
    return store;
}

std::unique_ptr<DSStore> DSStore::storeInFolder(int folderFd, const QString& directory)
{
    const QString path = stringByAppendingPathComponent(directory, QString::fromLatin1(kStoreFileName));
    const std::optional<QByteArray> bytes = readStoreFile(folderFd, path);
    if (!bytes)
        return nullptr;
    auto store = std::make_unique<DSStore>(*bytes, directory);
    if (!store->isValid()) {
        logWarning(QStringLiteral("Damaged .DS_Store file: %1").arg(path));
        return nullptr;
    }
    return store;
}

void DSStore::walkTree(const Visitor& visit) const
{
    struct Frame
    {
        DSStoreBlock block;
        std::uint32_t node;
        std::uint32_t rightmost; // 0 for a leaf
        std::uint64_t remaining;
    };
    std::vector<std::uint8_t> visited(numberOfBlocks(), 0);
    std::vector<Frame> stack;
    std::uint64_t invalidNodes = 0;
    std::uint64_t reusedNodes = 0;
    // Each block is entered at most once (the visited marks), so the stack
    // never holds more frames than the file has blocks.
    const auto enter = [&](std::uint32_t node) {
        if (node >= numberOfBlocks()) {
            ++invalidNodes;
            return;
        }
        if (visited[node]) {
            ++reusedNodes;
            return;
        }
        DSStoreBlock block = blockAtIndex(node);
        if (!block.isValid())
            return;
        const std::uint32_t rightmost = block.readUInt32();
        const std::uint64_t count = block.readUInt32();
        visited[node] = 1;
        stack.push_back(Frame{block, node, rightmost, count});
    };
    // A damaged file may point at bad nodes thousands of times: it gets one
    // warning, the first time its tree is walked.
    const auto reportDamage = [&] {
        if (invalidNodes + reusedNodes == 0 || m_reportedDamage.exchange(true))
            return;
        logWarning(QStringLiteral("Damaged .DS_Store file%1: %2 invalid and %3 reused node references "
                                  "(max %4 nodes).")
                       .arg(m_directory.isNull()
                                ? QStringLiteral(" (in memory)")
                                : QStringLiteral(": ")
                                      + stringByAppendingPathComponent(m_directory, QString::fromLatin1(kStoreFileName)))
                       .arg(invalidNodes)
                       .arg(reusedNodes)
                       .arg(numberOfBlocks()));
    };
    enter(m_rootNode);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.remaining == 0 || frame.block.isEOF()) {
            const std::uint32_t node = frame.node, rightmost = frame.rightmost;
            stack.pop_back();
            if (rightmost != 0 && rightmost != node)
                enter(rightmost);
            continue;
        }
        --frame.remaining;
        const std::uint32_t child = frame.rightmost != 0 ? frame.block.readUInt32() : 0;
        const std::uint32_t node = frame.node;
        const bool isInner = frame.rightmost != 0;
        if (!visit(frame.block))
            break;
        if (isInner && child != node)
            enter(child); // may reallocate the stack: `frame` is not used after this
    }
    reportDamage();
}

void DSStore::buildCommentCache()
{
    QHash<QString, QString> comments;
    walkTree([&](DSStoreBlock& node) {
        const std::optional<DSStoreEntry> entry = DSStoreEntry::readEntry(node, kDSStoreCommentCode);
        if (entry && entry->codec == kDSStoreCommentCode)
            comments.insert(normalizedString(entry->filename), entry->value.typeId() == QMetaType::QString
                                                                   ? entry->value.toString()
                                                                   : QString());
        return true;
    });
    m_cachedFinderComments = std::move(comments);
}

QString DSStore::finderCommentForFilename(const QString& filename)
{
    if (filename.isEmpty() || !isValid())
        return QString();
    if (!m_cachedFinderComments) {
        try {
            buildCommentCache();
        } catch (const std::bad_alloc&) {
            // No memory for the visited marks or the dictionary: search the
            // tree for this one name instead.
            return valueForFilename(normalizedString(filename), kDSStoreCommentCode).toString();
        }
    }
    return m_cachedFinderComments->value(normalizedString(filename));
}

QVariant DSStore::valueForFilename(const QString& filename, std::uint32_t codec) const
{
    if (filename.isEmpty() || !isValid())
        return {};
    const QByteArray wanted = utf16BigEndianBytes(filename);
    QVariant found;
    walkTree([&](DSStoreBlock& node) {
        const std::uint64_t length = node.readUInt32();
        const std::optional<QByteArrayView> name = node.readView(2 * length);
        if (!name)
            return true;
        const std::uint32_t recordCodec = node.readUInt32();
        const std::uint32_t type = node.readUInt32();
        const bool match = recordCodec == codec && *name == QByteArrayView(wanted);
        const QVariant value = DSStoreEntry::getValue(match, type, node);
        if (match)
            found = value;
        return !match;
    });
    return found;
}

QString DSStore::description() const
{
    return QStringLiteral("DSStore: %1 blocks, Root: %2, Entries:\n%3")
        .arg(numberOfBlocks())
        .arg(m_rootNode)
        .arg(DSStoreAllocator::description());
}

// --- per-thread cache -------------------------------------------------------------------

namespace {

struct ThreadStoreCache
{
    std::unique_ptr<DSStore> store; // null when the folder has no readable store
    QString folder;
    bool hasFolder = false;
    std::chrono::steady_clock::time_point opened;
    QString modificationFile;
    QDateTime modification;
    std::uint64_t storesOpened = 0;
};

ThreadStoreCache& threadStoreCache()
{
    thread_local ThreadStoreCache cache;
    return cache;
}

} // namespace

QString DSStore::finderCommentAtPath(const QString& path)
{
    const QString folder = stringByDeletingLastPathComponent(path);
    if (folder.isEmpty())
        return QString();
    return commentThroughCache(folder, lastPathComponent(path), [&folder] { return storeWithDirectory(folder); });
}

QString DSStore::finderCommentInFolder(int folderFd, const QString& folder, const QString& filename)
{
    if (folder.isEmpty() || folderFd < 0)
        return QString();
    return commentThroughCache(folder, filename, [&] { return storeInFolder(folderFd, folder); });
}

QString DSStore::commentThroughCache(const QString& folder, const QString& filename,
                                     const std::function<std::unique_ptr<DSStore>()>& open)
{
    ThreadStoreCache& cache = threadStoreCache();
    const auto now = std::chrono::steady_clock::now();
    // A folder without a readable store is remembered too, so that a walk
    // through it does not try to open its ".DS_Store" for every item.
    if (!cache.hasFolder || cache.folder != folder || now - cache.opened > kCacheLifetime) {
        cache.store.reset();
        cache.store = open();
        cache.folder = folder;
        cache.hasFolder = true;
        cache.opened = now;
        ++cache.storesOpened;
    }
    return cache.store ? cache.store->finderCommentForFilename(filename) : QString();
}

QString DSStore::spotlightCommentAtPath(const QString& path)
{
    return path.isEmpty() ? QString() : commentAtPath(path);
}

namespace {

// A comment's text from an attribute value; null for a missing value.
QString attributeComment(const QByteArray& value)
{
    return value.isNull() ? QString() : QString::fromUtf8(value);
}

} // namespace

QString DSStore::itemCommentAtPath(const QString& path)
{
    if (path.isEmpty())
        return QString();
    const QString comment = finderCommentAtPath(path);
    if (!comment.isEmpty())
        return comment;
    // An absolute path opens relative to nothing; the item itself, never
    // its link's target, is asked.
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return comment;
    const QString attribute = attributeComment(extendedAttributeInFolder(AT_FDCWD, bytes.constData(), kCommentAttribute));
    return attribute.isNull() ? comment : attribute;
}

QString DSStore::itemCommentInFolder(int folderFd, const QString& folder, const QString& filename,
                                     const char* itemBytes, int* attributeError)
{
    if (attributeError)
        *attributeError = 0;
    const QString comment = finderCommentInFolder(folderFd, folder, filename);
    if (!comment.isEmpty() || folderFd < 0)
        return comment;
    const QByteArray value = extendedAttributeInFolder(folderFd, itemBytes, kCommentAttribute);
    if (attributeError && value.isNull())
        *attributeError = errno;
    const QString attribute = attributeComment(value);
    return attribute.isNull() ? comment : attribute;
}

QDateTime DSStore::finderCommentModificationDateAtPath(const QString& path)
{
    if (path.isEmpty())
        return QDateTime();
    const QString file =
        stringByAppendingPathComponent(stringByDeletingLastPathComponent(path), QStringLiteral(".DS_Store"));
    ThreadStoreCache& cache = threadStoreCache();
    if (cache.modificationFile == file)
        return cache.modification;
    struct stat info = {};
    cache.modificationFile = file;
    cache.modification = ::stat(fileSystemRepresentation(file).constData(), &info) == 0
                             ? QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000
                                                              + info.st_mtim.tv_nsec / 1000000)
                             : QDateTime();
    return cache.modification;
}

void DSStore::invalidateFinderCommentsCache()
{
    {
        NamedStores& named = namedStores();
        const std::lock_guard lock(named.mutex);
        named.paths.clear();
    }
    ThreadStoreCache& cache = threadStoreCache();
    cache.store.reset();
    cache.folder.clear();
    cache.hasFolder = false;
    cache.modificationFile.clear();
    cache.modification = QDateTime();
}

std::uint64_t DSStore::storesOpenedOnThisThread()
{
    return threadStoreCache().storesOpened;
}

} // namespace sorvant
