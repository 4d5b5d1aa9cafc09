#pragma once
// Pasteboards over the desktop clipboard and in memory, their readers (one
// URL, its title, several URLs, plain text) and their writers (images, URLs
// with titles, URL lists, strings, index sets). The type names are in
// pasteboard_types.h; the find pasteboard in find_pasteboard.h.
//
// Not here: attributed strings, which go to and from pasteboards as RTF in
// the web toolkit (web/toolkit/pasteboard_rich_text.h), where RTF is read
// and written.
//
// Every type is stored as the bytes of its MIME format: strings as UTF-8,
// property lists as XML property-list data. A pasteboard item of a drag or a
// clipboard is one Pasteboard (Linux data offers hold one item).

#include "interface/pasteboard_types.h"

#include <QClipboard>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QImage;
class QMimeData;
class QObject;

namespace sorvant {

class URL;

class Pasteboard
{
public:
    // A private pasteboard in memory (pasteboard items, drags, tests).
    Pasteboard();
    // A pasteboard over one of the desktop's clipboards; `mode` Clipboard is
    // the general pasteboard.
    explicit Pasteboard(QClipboard::Mode mode);
    virtual ~Pasteboard();
    Pasteboard(const Pasteboard&) = delete;
    Pasteboard& operator=(const Pasteboard&) = delete;

    // The process's general pasteboard (the desktop clipboard).
    static Pasteboard& generalPasteboard();

    // --- observers -----------------------------------------------------------
    // The offered types: the MIME formats, plus NSPasteboardTypeString when
    // only plain "text/plain" is offered.
    [[nodiscard]] QStringList types() const;
    // The first type of `types` that is offered; null when none.
    [[nodiscard]] QString availableTypeFromArray(const QStringList& types) const;
    [[nodiscard]] QByteArray dataForType(const QString& type) const;
    // The data as UTF-8 text; for NSURLPboardType the first URL of the list.
    // Null when the type is not offered.
    [[nodiscard]] QString stringForType(const QString& type) const;
    // The data read as a property list; invalid when it is none.
    [[nodiscard]] QVariant propertyListForType(const QString& type) const;
    // The object that declared the current types (or null).
    [[nodiscard]] const QObject* owner() const { return m_owner; }

    // --- mutators ------------------------------------------------------------
    // Empties the pasteboard and remembers the types the setters may fill.
    void declareTypes(const QStringList& types, const QObject* owner = nullptr);
    // Each setter answers false for a type that was not declared.
    bool setData(const QByteArray& data, const QString& type);
    bool setString(const QString& string, const QString& type);
    bool setPropertyList(const QVariant& propertyList, const QString& type);

    // While a batch lives, declaring and setting build the offer without
    // publishing it; the outermost batch publishes the whole offer once when
    // it ends (when anything changed). Clipboard managers thus record one
    // entry per copy, never the empty offer of the declaration.
    //   { Pasteboard::ChangeBatch batch(pasteboard); declareTypes(…); setString(…); } => one change
    class ChangeBatch
    {
    public:
        explicit ChangeBatch(Pasteboard& pasteboard);
        ~ChangeBatch();
        ChangeBatch(const ChangeBatch&) = delete;
        ChangeBatch& operator=(const ChangeBatch&) = delete;

    private:
        Pasteboard& m_pasteboard;
    };

protected:
    // The whole offer changed (declared or set); the default publishes it to
    // the clipboard when this pasteboard has one.
    virtual void contentsChanged();
    [[nodiscard]] const QMimeData* mimeData() const;

private:
    // contentsChanged now, or when the open batch ends.
    void changed();

    std::unique_ptr<QMimeData> m_data;
    int m_batchDepth = 0;
    bool m_changedInBatch = false;
    QStringList m_declared;
    const QObject* m_owner = nullptr;
    bool m_hasClipboard = false;
    QClipboard::Mode m_mode = QClipboard::Clipboard;
};

using PasteboardItem = Pasteboard;

// --- readers -------------------------------------------------------------------

// False for a null type; else whether the pasteboard offers `type`.
[[nodiscard]] bool availableType(const Pasteboard& pasteboard, const QString& type);
[[nodiscard]] bool containsURLName(const Pasteboard& pasteboard);
// The title of the first offered URL-name type; null when none.
[[nodiscard]] QString URLName(const Pasteboard& pasteboard);
[[nodiscard]] bool containsURL(const Pasteboard& pasteboard);
// The URL string of the first offered URL type: a property list of one
// string, or of a string and an empty string, reduces to that string; other
// data logs "Unsupported URL data (type): value" and gives null.
// (The toolkit's `URL` reader; named for what it returns, as `URL` is the
// class.)
[[nodiscard]] QString URLString(const Pasteboard& pasteboard);
// Whether a URL, a URL list, a text naming a location, or a file list with
// an internet-location file is offered.
[[nodiscard]] bool containsURLs(const Pasteboard& pasteboard);
// The text of the first offered plain-text type (HTML as its source); null
// for a null pasteboard or when none is offered.
[[nodiscard]] QString stringFromPasteboard(const Pasteboard* pasteboard);
// The URLs stored under `type`: NSURLPboardType and NSPasteboardTypeString
// give one URL or null; NSFilenamesPboardType a list (possibly empty) of the
// internet-location files' URLs; any other type null (std::nullopt).
[[nodiscard]] std::optional<QList<URL>> URLsFromPasteboard(const Pasteboard& pasteboard,
                                                                    const QString& type);

// --- writers (each declares its types, which empties the pasteboard) -----------

// LZW-compressed TIFF, with PNG and Qt's image format beside it; false and
// nothing written when the image gives no TIFF data.
bool copyToPasteboard(const QImage& image, Pasteboard& pasteboard);
// The URL list and, as text, the path of a file URL or the absolute string.
void copyToPasteboard(const URL& url, Pasteboard& pasteboard);
// The URL in every URL flavour with its title (the display string when the
// title is empty) and, when valid, the bookmark property list.
void copyToPasteboard(const URL& url, Pasteboard& pasteboard, const QString& title,
                      const QVariant& bookmark = QVariant());
// One URL goes through the single-URL writer with the first title; several
// become a URL-with-titles list and a text of one location per line.
void copyURLsToPasteboard(const QList<URL>& urls, Pasteboard& pasteboard,
                          const QStringList& titles = QStringList());
void copyToPasteboard(const QString& string, Pasteboard& pasteboard);
// The indexes in ascending order as a property-list array of numbers under
// `type`; false and nothing written for an empty set.
bool writeIndexesToPasteboard(const QList<qsizetype>& indexes, Pasteboard& pasteboard, const QString& type);

} // namespace sorvant
