#include "search/directory_walk_state.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/package_extensions.h"
#include "platform/unicode.h"
#include "platform/xattr.h"
#include "search/content_text_matching.h"
#include "search/ds_store.h"
#include "search/results_data_source.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sorvant::walking {

namespace {

ItemKind kindOfType(unsigned char type)
{
    switch (type) {
    case DT_DIR:
        return ItemKind::Folder;
    case DT_REG:
        return ItemKind::File;
    case DT_LNK:
        return ItemKind::Link;
    default:
        return ItemKind::Other;
    }
}

ItemKind kindOfMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return ItemKind::Folder;
    if (S_ISREG(mode))
        return ItemKind::File;
    if (S_ISLNK(mode))
        return ItemKind::Link;
    return ItemKind::Other;
}

// Names are matched in composed form, as they are typed. Units below U+0300
// never change under NFC, which spares ICU for most names.
QString composedName(const QString& name)
{
    for (const QChar c : name) {
        if (c.unicode() >= 0x300)
            return unicode::normalizedString(name, unicode::NormalizationForm::NFC);
    }
    return name;
}

bool hasListedExtension(const QString& name, const QStringList& extensions)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot + 1 >= name.size())
        return false;
    const QStringView extension = QStringView(name).mid(dot + 1);
    for (qsizetype i = extensions.size(); i-- > 0;) {
        if (extensions.at(i).size() == extension.size()
            && extension.compare(extensions.at(i), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The errno of a failed read of an item's attribute that is worth naming: 0
// for an item without the attribute (ENODATA, also the kernel's answer for a
// link, a device or a pipe), a file system that keeps none, and an item gone
// since the folder was listed.
int unreadAttributeError(int error)
{
    return error == ENODATA || error == ENOTSUP || error == ENOENT || error == ENOTDIR ? 0 : error;
}

QByteArray joinedPath(const QByteArray& folder, const char* name, qsizetype length)
{
    QByteArray path;
    path.reserve(folder.size() + 1 + length);
    path.append(folder);
    if (!path.endsWith('/'))
        path.append('/');
    path.append(name, length);
    return path;
}

// Keeps the first of the items whose names (`nameOf`) are the same, in
// their order. Names rarely repeat: they are first compared by hash alone.
template <typename Item, typename NameOf>
void dropRepeated(std::vector<Item>& items, NameOf nameOf)
{
    if (items.size() < 2)
        return;
    std::vector<std::size_t> hashes;
    hashes.reserve(items.size());
    for (const Item& item : items)
        hashes.push_back(qHash(nameOf(item)));
    std::sort(hashes.begin(), hashes.end());
    if (std::adjacent_find(hashes.begin(), hashes.end()) == hashes.end())
        return;
    QSet<std::decay_t<decltype(nameOf(items.front()))>> seen;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const qsizetype before = seen.size();
        seen.insert(nameOf(items[i]));
        if (seen.size() == before)
            continue;
        if (kept != i)
            items[kept] = std::move(items[i]);
        ++kept;
    }
    items.erase(items.begin() + std::ptrdiff_t(kept), items.end());
}

} // namespace

// Opens a folder and tells whether the walk enters it: not when it cannot
// be read, nor when it lies on a mount the walk does not enter.
bool WalkThread::open(const PendingFolder& folder, bool isRoot, UniqueFd& fd, dev_t& device)
{
    // The root may be reached through a link the user chose; below it no
    // link is followed.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW);
    fd.reset(folder.parent ? ::openat(folder.parent->fd(), folder.name.constData(), flags)
                           : ::open(folder.bytes.constData(), flags));
    if (!fd.isValid()) {
        warnOfUnreadFolder(folder, isRoot, errno);
        return false;
    }
    struct stat status{};
    const bool readable = ::fstat(fd.get(), &status) == 0;
    if (!readable)
        warnOfUnreadFolder(folder, isRoot, errno);
    const bool crossesMount = !isRoot && status.st_dev != folder.parentDevice;
    // A mount below is entered unless it is the kernel's (tmpfs, ramfs,
    // squashfs and overlay hold files like any disk); so is the root.
    const bool leftOut = (isRoot || (crossesMount && m_walk.crossing != MountCrossing::StayOnVolume))
                             ? m_walk.isOnKernelFileSystem(fd.get())
                             : crossesMount;
    if (!readable || leftOut) {
        fd.reset();
        return false;
    }
    device = status.st_dev;
    warnOfUnreadAttributes(folder.bytes, folder.commentError, folder.tagsError);
    return true;
}

// Names a folder below the root that the walk cannot read, with the reason.
// The root is the caller's to name (the search command refuses it before the
// walk); a folder gone since its parent was listed, or no longer a folder,
// is no failure.
void WalkThread::warnOfUnreadFolder(const PendingFolder& folder, bool isRoot, int error)
{
    if (isRoot || error == ENOENT || error == ENOTDIR)
        return;
    logWarning(QStringLiteral("Skipped the folder %1: %2")
                   .arg(stringWithFileSystemRepresentation(folder.bytes), errorMessage(error)));
}

// Reads the whole listing into the thread's buffer.
void WalkThread::list(int fd)
{
    m_listed = 0;
    for (;;) {
        if (m_listingSize - m_listed < kListingChunk) {
            auto larger = std::make_unique_for_overwrite<char[]>(m_listingSize * 2);
            std::memcpy(larger.get(), m_listing.get(), m_listed);
            m_listing = std::move(larger);
            m_listingSize *= 2;
        }
        const ssize_t length = ::getdents64(fd, m_listing.get() + m_listed, m_listingSize - m_listed);
        if (length <= 0)
            return; // the end, or a folder that cannot be read further
        m_listed += std::size_t(length);
        // A folder of millions of entries takes a while to list.
        if (m_walk.stopped())
            return;
    }
}

// The names a folder's ".hidden" file lists, one a line, as bytes.
QSet<QByteArray> WalkThread::hiddenNames(int fd) const
{
    // Only a regular file is read, and not a huge one: a name list is small.
    constexpr off_t kLargest = 1 << 20;
    QSet<QByteArray> names;
    const int file = ::openat(fd, ".hidden", O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (file < 0)
        return names;
    struct stat status{};
    if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= kLargest) {
        QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
        const ssize_t read = ::pread(file, bytes.data(), size_t(bytes.size()), 0);
        bytes.truncate(std::max<ssize_t>(read, 0));
        for (const QByteArray& line : bytes.split('\n')) {
            if (!line.isEmpty())
                names.insert(line);
        }
    }
    ::close(file);
    return names;
}

void WalkThread::read(const PendingFolder& pending)
{
    if (pending.listing) {
        readSlice(pending);
        return;
    }
    const bool isRoot = pending.name.isNull();
    UniqueFd fd;
    dev_t device = 0;
    if (!open(pending, isRoot, fd, device))
        return;
    list(fd.get());
    std::size_t items = 0;
    bool listsHidden = false;
    for (std::size_t offset = 0; offset < m_listed; ++items) {
        const auto* item = reinterpret_cast<const dirent64*>(m_listing.get() + offset);
        offset += item->d_reclen;
        listsHidden = listsHidden || std::strcmp(item->d_name, ".hidden") == 0;
    }
    QSet<QByteArray> hidden;
    if (!m_walk.params.invisibles && listsHidden)
        hidden = hiddenNames(fd.get());
    Folder folder{pending, fd.get(), device, m_walk.rootIsSlash && pending.bytes == "/System", std::nullopt, nullptr};
    if (sharesItems(items)) {
        share(pending, folder, std::move(fd), hidden);
        return;
    }
    m_subfolders.clear();
    for (std::size_t offset = 0; offset < m_listed;) {
        const auto* item = reinterpret_cast<const dirent64*>(m_listing.get() + offset);
        offset += item->d_reclen;
        if (m_walk.stopped())
            break;
        visitEntry(folder, item, hidden);
    }
    std::shared_ptr<FolderHandle> handle;
    if (!m_subfolders.empty() && m_walk.mayKeepOpen())
        handle = std::make_shared<FolderHandle>(std::move(fd), m_walk.openFolders());
    endFolder(folder, std::move(handle));
}

bool WalkThread::sharesItems(std::size_t items) const
{
    return items > kShareItems && (m_walk.params.what & kSearchContents) && m_walk.threadCount() > 1
           && m_walk.mayKeepOpen() && !m_walk.stopped();
}

// Keeps the listing and the open folder for the slices, and queues them:
// this thread takes the first, the others steal from the end.
void WalkThread::share(const PendingFolder& pending, const Folder& folder, UniqueFd fd, QSet<QByteArray>& hidden)
{
    auto listing = std::make_shared<SharedListing>();
    listing->folder = {pending.bytes, pending.parentDevice, nullptr, pending.name, nullptr, 0, 0};
    listing->handle = std::make_shared<FolderHandle>(std::move(fd), m_walk.openFolders());
    listing->device = folder.device;
    listing->isSystemFolder = folder.isSystemFolder;
    listing->entries = QByteArray(m_listing.get(), qsizetype(m_listed));
    listing->hidden = std::move(hidden);
    const char* entries = listing->entries.constData();
    const auto nameAt = [entries](std::uint32_t offset) {
        return QByteArray::fromRawData(reinterpret_cast<const dirent64*>(entries + offset)->d_name,
                                       qsizetype(std::strlen(reinterpret_cast<const dirent64*>(entries + offset)->d_name)));
    };
    for (std::size_t offset = 0; offset < m_listed;) {
        listing->offsets.push_back(std::uint32_t(offset));
        offset += reinterpret_cast<const dirent64*>(entries + offset)->d_reclen;
    }
    // A name listed twice (the folder changed while it was listed) would
    // be in two slices, out of reach of one slice's rule: it is taken once.
    dropRepeated(listing->offsets, nameAt);
    std::vector<PendingFolder> slices;
    const auto count = std::uint32_t(listing->offsets.size());
    for (std::uint32_t first = 0; first < count; first += kSliceItems)
        slices.push_back({{}, 0, nullptr, {}, listing, first, std::min(count, first + kSliceItems)});
    m_walk.push(m_index, slices);
}

void WalkThread::readSlice(const PendingFolder& slice)
{
    const SharedListing& listing = *slice.listing;
    Folder folder{listing.folder, listing.handle->fd(), listing.device, listing.isSystemFolder, std::nullopt,
                  nullptr};
    m_subfolders.clear();
    for (std::uint32_t i = slice.first; i < slice.last && !m_walk.stopped(); ++i)
        visitEntry(folder, reinterpret_cast<const dirent64*>(listing.entries.constData() + listing.offsets[i]),
                   listing.hidden);
    endFolder(folder, listing.handle);
}

void WalkThread::visitEntry(Folder& folder, const dirent64* item, const QSet<QByteArray>& hidden)
{
    const char* name = item->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
        return;
    const auto length = qsizetype(std::strlen(name));
    if (!m_walk.params.invisibles
        && (name[0] == '.' || (!hidden.isEmpty() && hidden.contains(QByteArray::fromRawData(name, length)))))
        return;
    ItemKind kind = kindOfType(item->d_type);
    if (item->d_type == DT_UNKNOWN) {
        struct stat status{};
        if (::fstatat(folder.fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        kind = kindOfMode(status.st_mode);
    }
    visit(folder, name, length, kind);
}

// Hands over the matches of a folder (or a slice of one) and queues its
// subfolders, to be opened relative to `handle` (by their whole paths when
// null).
void WalkThread::endFolder(Folder& folder, std::shared_ptr<FolderHandle> handle)
{
    dropRepeatedNames();
    handOver(folder, false);
    flushDone();
    if (!m_subfolders.empty() && !m_walk.stopped()) {
        for (PendingFolder& subfolder : m_subfolders)
            subfolder.parent = handle;
        m_walk.push(m_index, m_subfolders);
    }
    m_subfolders.clear();
}

const QString& WalkThread::folderPath(Folder& folder) const
{
    if (!folder.path)
        folder.path = folder.pending.name.isNull() ? m_walk.root
                                                   : stringWithFileSystemRepresentation(folder.pending.bytes);
    return *folder.path;
}

const QString& WalkThread::decodedName(const char* name, qsizetype length, bool ascii)
{
    if (m_nameValid)
        return m_name;
    if (ascii) {
        // Widened in place: the buffer keeps its capacity from name to name.
        m_name.resize(length);
        char16_t* units = reinterpret_cast<char16_t*>(m_name.data());
        for (qsizetype i = 0; i < length; ++i)
            units[i] = char16_t(static_cast<unsigned char>(name[i]));
    } else {
        m_name = stringWithFileSystemRepresentation(name, length);
    }
    m_nameValid = true;
    return m_name;
}

// Tests one item, reports it when it matches, and keeps it for reading when
// it is a folder to walk into.
void WalkThread::visit(Folder& folder, const char* nameBytes, qsizetype length, ItemKind kind)
{
    if (folder.isSystemFolder && std::strcmp(nameBytes, "Volumes") == 0)
        return;
    countDone();
    m_nameValid = false;
    const SearchParams& params = m_walk.params;
    const bool ascii = isAsciiBytes(nameBytes, length);
    const auto name = [&]() -> const QString& { return decodedName(nameBytes, length, ascii); };
    const bool isFolder = kind == ItemKind::Folder;
    std::optional<bool> package;
    const auto isPackage = [&] {
        if (!package)
            package = hasPackageSuffix(name()) || (isFolder && hasBundleExtension(name()));
        return *package;
    };
    const bool entered = isFolder && (params.packageContents || !isPackage());
    if (entered)
        m_subfolders.push_back({joinedPath(folder.pending.bytes, nameBytes, length), folder.device, nullptr,
                                QByteArray(nameBytes, length), nullptr, 0, 0});

    const unsigned findOptions = unsigned(params.comparison & 1);
    const std::uint64_t what = params.what;
    bool matched = false;
    if (what & kSearchNames) {
        const NameVerdict verdict = m_walk.asciiNames.verdict(nameBytes, length);
        matched = verdict == NameVerdict::Match
                  || (verdict == NameVerdict::Undecided
                      && searchWindowMatchString(ascii ? name() : composedName(name()), params, findOptions));
    }
    // Items are counted in batches, but before any read that may take long
    // the count is brought up to date, so progress shows the item being read.
    if (!matched && (what & (kSearchComments | kSearchTags | kSearchContents)))
        flushDone();
    QString comment;
    // Why the item's comment or tags could not be read; 0 when they could.
    int commentError = 0;
    int tagsError = 0;
    if (!matched && (what & kSearchComments)) {
        comment = DSStore::itemCommentInFolder(folder.fd, folderPath(folder), name(), nameBytes, &commentError);
        commentError = unreadAttributeError(commentError);
        matched = searchWindowMatchString(comment, params, findOptions);
    }
    std::optional<QStringList> tags;
    if (!matched && (what & kSearchTags)) {
        // The kernel keeps no user attributes on a link, and reading them
        // through it would give the target's tags to every link to it.
        QByteArray value;
        if (kind != ItemKind::Link) {
            value = extendedAttributeInFolder(folder.fd, nameBytes, kTagsAttribute);
            tagsError = value.isNull() ? unreadAttributeError(errno) : 0;
        }
        tags = tagNamesFromAttributeValue(value);
        matched = searchWindowMatchString(tags->join(u' '), params, findOptions);
    }
    if (entered) {
        m_subfolders.back().commentError = commentError;
        m_subfolders.back().tagsError = tagsError;
    } else if (commentError != 0 || tagsError != 0) {
        warnOfUnreadAttributes(joinedPath(folder.pending.bytes, nameBytes, length), commentError, tagsError);
    }
    // Linux files carry no type codes, so the extension list alone decides.
    // Only regular files are read: a device or a pipe is never opened, and a
    // link only when it leads to a regular file.
    if (!matched && !isFolder && (what & kSearchContents) && kind != ItemKind::Other
        && (params.scanAll || hasListedExtension(name(), params.extensions)))
        matched = m_walk.contents->matchesFile(folder.fd, QByteArray::fromRawData(nameBytes, length), m_contentBuffer,
                                              folder.pending.bytes);
    if (matched)
        report(folder, nameBytes, name(), isFolder, isPackage(), tags, comment);
}

// Names an item whose comment or tags (those of them the search asked for)
// could not be read, once, with the reason.
void WalkThread::warnOfUnreadAttributes(const QByteArray& path, int commentError, int tagsError)
{
    if (commentError == 0 && tagsError == 0)
        return;
    const QString what = commentError == 0 ? QStringLiteral("tags")
                         : tagsError == 0  ? QStringLiteral("comments")
                                           : QStringLiteral("tags and comments");
    logWarning(QStringLiteral("Skipped the %1 of %2: %3")
                   .arg(what, stringWithFileSystemRepresentation(path), errorMessage(commentError != 0 ? commentError : tagsError)));
}

// Applies the type rules to a match and keeps it, with what one statx
// relative to the folder tells of it, for the folder's end.
void WalkThread::report(Folder& folder, const char* nameBytes, const QString& name, bool isFolder, bool isPackage,
                        std::optional<QStringList>& tags, QString& comment)
{
    const SearchParams& params = m_walk.params;
    if (params.type == kSearchFiles && isFolder && !isPackage)
        return;
    if (params.type == kSearchFolders && (!isFolder || isPackage))
        return;
    // The result keeps the name: made at its exact size, not sharing the
    // reused name buffer's capacity.
    const ItemStatus status =
        params.readsItemStatus ? ItemStatus::read(folder.fd, nameBytes) : ItemStatus::deferredFor(isFolder);
    m_found.push_back({QString(name.constData(), name.size()), status, std::move(tags), std::move(comment), isFolder,
                       isPackage, true});
    // A search that reads items hands each match over at once, as it may
    // take long to reach the next; a name search, in batches.
    constexpr std::size_t kBatch = 256;
    if (m_found.size() >= kBatch || (params.what & (kSearchComments | kSearchTags | kSearchContents)))
        handOver(folder, true);
}

// A listing read while the folder changes may give a name twice: its
// subfolder is walked once (and its match reported once, by handOver).
void WalkThread::dropRepeatedNames()
{
    dropRepeated(m_subfolders, [](const PendingFolder& folder) -> const QByteArray& { return folder.name; });
}

// Applies the duplicate rule to the folder's matches found since the last
// hand-over and hands their results to the results model, under one taking
// of its lock. `more`: the folder is not done; the names handed over are
// then remembered until it is, so that a name listed twice is taken once.
void WalkThread::handOver(Folder& folder, bool more)
{
    if (!m_found.empty()) {
        dropRepeated(m_found, [](const FoundItem& item) -> const QString& { return item.name; });
        if (!m_handedOver.isEmpty()) {
            std::erase_if(m_found, [this](const FoundItem& item) { return m_handedOver.contains(item.name); });
        }
        if (more) {
            for (const FoundItem& item : m_found)
                m_handedOver.insert(item.name);
        }
    }
    if (!more)
        m_handedOver.clear();
    if (m_found.empty())
        return;
    if (m_walk.keepsReportedPaths())
        m_walk.markReported(folderPath(folder), m_found);
    const SearchParams& params = m_walk.params;
    if (params.dataSource) {
        // Results of one folder share its path and their display path; a
        // folder below the root keeps its path as the bytes it was opened by.
        if (!folder.results) {
            const QString& name = m_found.front().name;
            folder.results = folder.pending.name.isNull()
                                 ? std::make_shared<const ResultFolder>(m_walk.root, name, m_walk.baseDirectory)
                                 : std::make_shared<const ResultFolder>(folder.pending.bytes, name,
                                                                        m_walk.baseDirectory);
        }
        for (const FoundItem& item : m_found) {
            if (item.fresh)
                m_results.push_back(Result::create(folder.results, item.name, item.status, item.tags,
                                                   item.comment, item.isFolder, item.isPackage));
        }
        params.dataSource->addResults(m_results);
    }
    m_found.clear();
}

} // namespace sorvant::walking
