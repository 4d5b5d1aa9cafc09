#pragma once
// One found file or folder, as the results table shows it.
//
// The walk creates a Result on the worker thread with what it already knows
// (path, name, and the tags or comment that matched); the results model owns
// it through a shared pointer; the table reads it on the main thread. What
// costs a lookup (tags, comment, kind) is fetched on first use, on the
// thread that asks (the table's roles resolver asks on the thread pool; the
// table itself only reads what is known). The information text (picture size,
// movie size and duration, page count, or "Pages not counted" for a PDF that
// would have to be read whole past a limit) is computed once, on a pool of
// worker threads, and announced with DidUpdateResultInfoNotification,
// delivered on the main thread with the result (a std::shared_ptr<Result>
// in the notification's object) so the table can redraw its row.
//
// Always create results with Result::create: the information computation
// keeps the result alive through its shared pointer until it has run.

#include "platform/background_work.h"

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>

namespace sorvant {

// Posted on the main thread when a result's information text is ready; the
// notification's object is the std::shared_ptr<Result>.
inline constexpr const char* DidUpdateResultInfoNotification = "DidUpdateResultInfoNotification";

// What kind of information a result shows; one byte, so that it packs with
// the flags of a Result.
enum class ResultType : std::uint8_t { Image = 0, PDF = 1, Movie = 2, Other = 3 };

// What one statx of an item gives the columns; read by the walk relative
// to the open folder, so a result costs no lookup of its whole path.
struct ItemStatus
{
    bool valid = false; // NO when the item could not be read (or was not yet)
    bool deferred = false; // not read yet: the result reads it on first use
    bool isDirectory = false;
    // A FIFO, socket or device, or a link to one: never read as a document.
    bool isSpecial = false;
    bool hasCreated = false; // the file system gives a birth time
    qint64 createdMSecs = 0;
    qint64 modifiedMSecs = 0;
    qint64 size = 0;

    // The item `name` of the open folder `folderFd` (AT_FDCWD with a whole
    // path), a link itself rather than its target.
    [[nodiscard]] static ItemStatus read(int folderFd, const char* name);
    // A status to be read on first use, of a folder or not as the listing
    // says.
    [[nodiscard]] static ItemStatus deferredFor(bool isDirectory);
};

// What the results of one folder share, held by each of them: its path and
// their display path, made on first use (from any thread), so that a search
// whose results are never shown keeps one path per folder, not two. A
// folder the walk reached keeps its path as the bytes the file system gave
// (about half the size of their UTF-16 form), decoded when asked.
class ResultFolder
{
public:
    // The folder at `folder` (a full path), whose items include `itemName`;
    // `baseDirectory` as for Result::create. `inFolder` false: `folder` is
    // the item's own full path (a result not made as the item of a folder).
    ResultFolder(const QString& folder, const QString& itemName, const QString& baseDirectory,
                 bool inFolder = true);
    // The folder whose whole path has the bytes `folderBytes` (as
    // stringWithFileSystemRepresentation decodes them), kept as they are.
    ResultFolder(const QByteArray& folderBytes, const QString& itemName, const QString& baseDirectory);
    ResultFolder(const ResultFolder&) = delete;
    ResultFolder& operator=(const ResultFolder&) = delete;

    // The folder's path (made on each call from bytes).
    [[nodiscard]] QString folder() const;
    [[nodiscard]] bool isInFolder() const { return m_inFolder; }
    // The full path of the item `name` of the folder: joinedItemPath of
    // folder() and `name`.
    [[nodiscard]] QString itemPath(const QString& name) const;
    // fileSystemRepresentation(itemPath(name)).
    [[nodiscard]] QByteArray itemBytes(const QString& name) const;
    // The parent of the item as the base folder's name and the folders
    // below it ("base/a/b"; "base" directly in it), or its full parent
    // without a base.
    [[nodiscard]] const QString& displayPath() const;

private:
    // The path as given, or as the bytes the file system gave.
    std::variant<QString, QByteArray> m_path;
    QString m_itemName;
    QString m_baseDirectory;
    bool m_inFolder;
    mutable std::once_flag m_displayPathMade;
    mutable QString m_displayPath;
};

// The full path of the item `name` of `folder`: joined with one "/".
//   ("/a", "b") => "/a/b"   ("/", "b") => "/b"   ("/a/", "b") => "/a/b"
[[nodiscard]] QString joinedItemPath(const QString& folder, const QString& name);

class Result : public std::enable_shared_from_this<Result>
{
    struct Key
    {
    };

public:
    explicit Result(Key) {}

    // A result for the item at `path`. `baseDirectory` (may be null) is the
    // folder the search started from, for the display path; `tags` and
    // `comment` are given when the search already read them (nullopt and
    // null: fetched on first use).
    [[nodiscard]] static std::shared_ptr<Result> create(const QString& path, const QString& baseDirectory,
                                                        const QString& name,
                                                        const std::optional<QStringList>& tags,
                                                        const QString& comment, bool isDirectory, bool isPackage);
    // A result for the item `name` of `folder`, from what the walk read of it.
    [[nodiscard]] static std::shared_ptr<Result> create(const std::shared_ptr<const ResultFolder>& folder,
                                                        const QString& name,
                                                        const ItemStatus& status,
                                                        const std::optional<QStringList>& tags,
                                                        const QString& comment, bool isDirectory, bool isPackage);

    // --- plain values ---
    // The whole path, made on each call: a result keeps its folder's path,
    // shared with the other results of the folder, and its name.
    [[nodiscard]] QString fullPath() const;
    // fileSystemRepresentation(fullPath()), made from the folder's bytes
    // where it keeps them (no decoding and encoding again).
    [[nodiscard]] QByteArray fileSystemPath() const;
    // The folder shown in the path column: the base folder's name and the
    // folders below it ("." said nothing of where an item directly in it
    // is), else the parent's full path.
    //   (base "/a", item "/a/b/c") => "a/b"   (base "/a", "/a/c") => "a"
    //   (base "/", "/b/c") => "/b"   (base "/", "/c") => "/"   (no base, "/a/b/c") => "/a/b"
    [[nodiscard]] const QString& displayPath() const { return m_folder->displayPath(); }
    [[nodiscard]] const QString& name() const { return m_name; }
    // "'fldr'" for a folder, else the path extension (Linux keeps no type
    // codes); a package's extension.
    [[nodiscard]] const QString& type() const { return m_type; }
    // Dates and sizes are those the walk read, or read on first use (from
    // any thread) when it did not.
    [[nodiscard]] const QDateTime& created() const { return shown().created; }
    [[nodiscard]] const QDateTime& modified() const { return shown().modified; }
    // The size text: "--" for a folder, else the formatted byte count.
    [[nodiscard]] QString size() const;
    // The size in bytes; 0 for a folder.
    [[nodiscard]] qint64 fileSize() const { return std::max<qint64>(shown().fileSize, 0); }
    // The raw size: -1 for a folder (the sort key).
    [[nodiscard]] qint64 signedFileSize() const { return shown().fileSize; }
    // Classified on first use (from any thread), by the extension; Other
    // for a FIFO, socket or device whatever its name.
    [[nodiscard]] ResultType resultType() const;

    // --- values read on first use (any thread; the first call reads the disk) ---
    // The item's tags from "user.xdg.tags"; [] when none.
    [[nodiscard]] const QStringList& tags();
    // The comment: the folder's ".DS_Store" comment, else the item's
    // "user.xdg.comment"; "" when none (never null once asked).
    [[nodiscard]] const QString& comment();
    // The kind from the shared MIME database ("PNG image", "folder").
    [[nodiscard]] const QString& kind();

    // --- values known so far (any thread; never read the disk) ---
    // What tags(), comment() and kind() answer once they were asked;
    // nullopt or null before.
    [[nodiscard]] std::optional<QStringList> knownTags() const;
    [[nodiscard]] QString knownComment() const;
    [[nodiscard]] QString knownKind() const;
    // The information text once computed; null before. Starts nothing.
    [[nodiscard]] QString knownInfo() const;

    // The information text; null until known. The first call starts its
    // computation on the pool; later calls only read.
    [[nodiscard]] QString info();
    // Computes the information text on this thread, unless its computation
    // was already started; announced as when the pool computes it.
    void resolveInfo();
    // YES while the computation has not been started.
    [[nodiscard]] bool shouldGetInfo() const;
    // YES once the information text is known or its computation started,
    // and for results that have none; NO while the type is not classified
    // (classifying may load image plugins: this never does).
    [[nodiscard]] bool isInfoSettled() const;

    // Waits until every queued information computation has run (tests).
    static void waitForPendingInfo();
    // Warms the shared type tables, whose first use loads Qt's image plugins
    // (results classify their types on first use, on the thread that asks).
    static void initialize();

    ~Result();
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

private:
    // What most results never need, made on first use: the tags, comment,
    // kind and information text.
    struct Details
    {
        std::optional<QStringList> tags;
        QString comment;
        QString kind;
        QString info;
    };
    // The details, made when missing; the caller holds infoMutex().
    Details& detailsLocked() const;
    // A detail read from the disk once, by the first caller, outside the
    // lock ("" when `read` gives null); set once, it never changes.
    const QString& readOnce(QString Details::*field, QString (*read)(const QString& path));
    // A detail as known; null before it is read.
    [[nodiscard]] QString knownValue(QString Details::*field) const;

    static std::shared_ptr<Result> make(std::shared_ptr<const ResultFolder> folder, const QString& name,
                                        const ItemStatus& status,
                                        const std::optional<QStringList>& tags, const QString& comment,
                                        bool isDirectory, bool isPackage);
    void readAttributes(const ItemStatus& status, bool isDirectory, bool isPackage);
    // The dates and size shown: set from an ItemStatus, at once or on first
    // use (m_statusRead says when, under infoMutex()).
    struct Shown
    {
        QDateTime created;
        QDateTime modified;
        qint64 fileSize = 0;
    };
    void setShown(const ItemStatus& status) const;
    [[nodiscard]] const Shown& shown() const;
    // `stop` (null: none) ends a picture's size read under way.
    void computeInfo(ResultType type, const std::atomic<bool>* stop);
    void setInfo(const QString& info);

    // The folder's path when it isInFolder (the name is the last component
    // of the full path), else the full path itself; shared by the folder's
    // results.
    std::shared_ptr<const ResultFolder> m_folder;
    QString m_type;
    QString m_name;
    mutable Shown m_shown;
    mutable std::atomic<bool> m_statusRead{false};
    mutable bool m_isSpecial = false; // set with m_shown
    bool m_isDirectory = false;
    // The type, classified under infoMutex() on first use.
    void classifyLocked() const;
    mutable ResultType m_resultType = ResultType::Other;
    mutable bool m_classified = false;

    // The information text is written by a pool thread and read by the
    // main thread, under one of a few locks shared by all results.
    [[nodiscard]] std::mutex& infoMutex() const;
    mutable bool m_shouldGetInfo = false;
    mutable std::atomic<Details*> m_details{nullptr};
};

using ResultPointer = std::shared_ptr<Result>;

// The information text of a movie, from its displayed size and duration.
//   (320 x 240, 95 s) => "320 x 240, 01:35"   (320 x 240, 0) => "320 x 240"
//   (0 x 0, 3700 s) => "61:40"                (0 x 0, 0) => null
[[nodiscard]] QString movieInfoText(double width, double height, double duration);

} // namespace sorvant

namespace sorvant {

// The threads that compute information texts. The application makes one at
// start-up and drains it on quit; while one exists, Result::info() starts
// its computations there, and without one it computes on the calling thread
// (a command without an event loop, a test). At most one exists at a time.
// A reader can still wait on a file system that does not answer: quitting
// waits for such work at most a bounded time, then leaves it running
// (platform/background_work.h); a picture's size read under way ends at
// its next read once quitting has begun.
class ResultInfoPool
{
public:
    ResultInfoPool();
    // Sets the stop of the work under way, then drains.
    ~ResultInfoPool();
    ResultInfoPool(const ResultInfoPool&) = delete;
    ResultInfoPool& operator=(const ResultInfoPool&) = delete;

    // Runs `work` on one of the pool's threads.
    void start(std::function<void()> work);
    // Waits until `deadline` for the work started so far; answers whether
    // all of it has run.
    [[nodiscard]] bool drain(QDeadlineTimer deadline) { return m_pool.drain(deadline); }
    // Set once the pool is going; shared with the work, which may outlive it.
    [[nodiscard]] std::shared_ptr<const std::atomic<bool>> stop() const { return m_stop; }

private:
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
    QuitBoundedPool m_pool;
};

} // namespace sorvant

// A shared pointer is two plain pointers that point nowhere into itself:
// lists of results move it with memmove and grow with realloc, so a growing
// list of many results is not copied, nor held twice while it grows.
Q_DECLARE_TYPEINFO(sorvant::ResultPointer, Q_RELOCATABLE_TYPE);

Q_DECLARE_METATYPE(sorvant::ResultPointer)
