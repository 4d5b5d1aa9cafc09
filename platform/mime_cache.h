#pragma once
// One binary cache of the shared MIME database ("<folder>/mime/mime.cache",
// format 1.1 or 1.2, a later 1.x by 1.2's layout) read whole into memory and walked once before use, so
// that no lookup reads past its end and a file rewritten or cut while it is
// read cannot fault the process (nothing is mapped). Lookups of one cache
// alone; merging the caches of several folders is mime_database.h's.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

namespace sorvant {

// The types a name's patterns give: those of the heaviest, longest pattern
// first, then the others in the order met.
struct MimeGlobMatches
{
    QStringList best;
    QStringList all;
    quint32 weight = 0;
    qsizetype patternLength = 0;
    // Types whose patterns a more important folder deleted; null for none.
    const QSet<QString>* deleted = nullptr;

    void add(const QString& type, quint32 typeWeight, qsizetype length);
};

// fnmatch without path rules: "*", "?" and "[...]" ("!" or "^" first negates).
//   ("*.txt", "a.txt") => true   ("log[0-9]*", "logs") => false   ("", "") => true
[[nodiscard]] bool matchesMimeWildcard(QStringView pattern, QStringView name);

class MimeCache
{
public:
    // What open() found at a path.
    enum class Opened {
        Cache,        // a sound cache, read
        Absent,       // nothing there
        OtherVersion, // of a version whose layout the reader does not know (1.0, 2.x): not read
        Unusable,     // damaged, too large, unreadable, or not a regular file
    };

    // The largest cache read (the system's is about 150 KB).
    static constexpr qint64 kLargestCache = qint64(64) << 20;
    // The newest minor version whose layout the reader knows.
    static constexpr quint32 kNewestMinorVersion = 2;

    // Reads the cache at `path`. `why` (when given) says what makes an
    // Unusable cache so: "damaged", "not a regular file"; and the version of
    // one of another version: "2.0".
    static Opened open(const QString& path, std::unique_ptr<const MimeCache>& opened, QString* why = nullptr);
    // The same for the bytes of a cache.
    static Opened fromBytes(QByteArray bytes, std::unique_ptr<const MimeCache>& opened);

    ~MimeCache();
    MimeCache(const MimeCache&) = delete;
    MimeCache& operator=(const MimeCache&) = delete;

    // The format's minor version the file gives (1.2 => 2); one above
    // kNewestMinorVersion is read as if it were that.
    [[nodiscard]] quint32 minorVersion() const { return m_minorVersion; }

    // Observers by name.
    void addLiterals(MimeGlobMatches& matches, const QString& name, const QString& lowerName) const;
    void addSuffixes(MimeGlobMatches& matches, const QString& name, const QString& lowerName) const;
    void addGlobs(MimeGlobMatches& matches, const QString& name, const QString& lowerName) const;
    // The types whose patterns in less important folders this cache deletes
    // (<glob-deleteall/>).
    [[nodiscard]] const QSet<QString>& globsDeleted() const { return m_globsDeleted; }

    // Observers by contents. The type of the first magic rule `data` meets
    // (the cache keeps them by priority) whose type is not in `skipped`, and
    // its priority; null when none does.
    [[nodiscard]] QString typeOfData(const QByteArray& data, quint32& priority, const QSet<QString>* skipped) const;
    // The types whose magic in less important folders this cache deletes
    // (<magic-deleteall/>).
    [[nodiscard]] const QSet<QString>& magicDeleted() const { return m_magicDeleted; }

    // Observers by type name; empty when the cache does not know it.
    // Appends the parents the cache gives `type` that `found` lacks.
    void addParents(const QString& type, QStringList& found) const;
    // The type an alias stands for: "text/x-csv" => "text/csv"; "" => null.
    [[nodiscard]] QString typeOfAlias(const QString& alias) const;
    [[nodiscard]] QString iconName(const QString& type) const;
    [[nodiscard]] QString genericIconName(const QString& type) const;

private:
    struct Bytes;
    struct NamePattern;
    MimeCache();
    QList<NamePattern> readList(quint32 header);
    QString lookUp(quint32 header, const QString& key) const;
    bool matchSuffixTree(MimeGlobMatches& matches, quint32 count, quint32 first, const QString& name, qsizetype at,
                         bool caseSensitiveCheck, int depth) const;
    bool matchesRule(quint32 count, quint32 first, const QByteArray& data, int depth) const;

    std::unique_ptr<const Bytes> m_bytes;
    quint32 m_minorVersion = 0;
    QSet<QString> m_globsDeleted;
    QSet<QString> m_magicDeleted;
    QList<NamePattern> m_literals;
    QList<NamePattern> m_globs;
    QHash<QString, QList<qsizetype>> m_literalIndexes; // by the literal in lower case
};

} // namespace sorvant
