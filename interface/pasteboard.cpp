#include "interface/pasteboard.h"

#include "foundation/string_format.h"
#include "platform/log.h"
#include "platform/property_list.h"
#include "platform/property_list_bounds.h"
#include "platform/url.h"
#include "system/file_names.h"
#include "system/internet_locations.h"
#include "web/url/url_making.h"
#include "web/url/url_predicates.h"
#include "web/url/url_resolution.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QMimeData>

#include <algorithm>
#include <utility>

namespace sorvant {

// --- type lists and the extension map -------------------------------------------

const QStringList& URLPboardTypes()
{
    static const QStringList types{NSURLPboardType, URLFlavorPboardType, QStringLiteral("Apple URL pasteboard type"),
                                   QStringLiteral("public.url")};
    return types;
}

const QStringList& URLNamePboardTypes()
{
    static const QStringList types{URLNameFlavorPboardType, QStringLiteral("public.url-name")};
    return types;
}

const QStringList& URLListPboardTypes()
{
    static const QStringList types{WebURLsWithTitlesPboardType, NSFilenamesPboardType, NSPasteboardTypeString};
    return types;
}

const QStringList& richTextPboardTypes()
{
    static const QStringList types{NSPasteboardTypeRTFD, NSPasteboardTypeRTF};
    return types;
}

const QStringList& plainTextPboardTypes()
{
    static const QStringList types{NSPasteboardTypeString, NSPasteboardTypeTabularText, NSPasteboardTypeHTML};
    return types;
}

QString fileTypeForPboardType(const QString& type)
{
    // Ordered: the first row whose type equals `type` wins.
    static const QList<std::pair<QString, QString>> table{
        {NSPasteboardTypeTIFF, QStringLiteral("tiff")},
        {QStringLiteral("public.tiff"), QStringLiteral("tiff")},
        {PNGPboardType, QStringLiteral("png")},
        {QStringLiteral("public.png"), QStringLiteral("png")},
        {QStringLiteral("public.jpeg-2000"), QStringLiteral("jp2")},
        {QStringLiteral("public.jpeg"), QStringLiteral("jpg")},
        {NSPasteboardTypePDF, QStringLiteral("pdf")},
        {QStringLiteral("com.adobe.encapsulated-postscript"), QStringLiteral("ps")},
        {NSPasteboardTypeHTML, QStringLiteral("html")},
        {NSPasteboardTypeRTF, QStringLiteral("rtf")},
        {NSPasteboardTypeRTFD, QStringLiteral("rtfd")},
        {NSPasteboardTypeString, QStringLiteral("txt")},
        {NSPasteboardTypeTabularText, QStringLiteral("csv")},
        {kUTTypeVCard, QStringLiteral("vcf")},
        {NSURLPboardType, QStringLiteral("url")},
        {URLFlavorPboardType, QStringLiteral("url")},
        {QStringLiteral("Apple URL pasteboard type"), QStringLiteral("url")},
        {QStringLiteral("public.url"), QStringLiteral("url")},
        {WebArchivePboardType, QStringLiteral("webarchive")},
    };
    if (type.isNull())
        return {};
    for (const auto& [rowType, extension] : table) {
        if (rowType == type)
            return extension;
    }
    return {};
}

// --- Pasteboard -------------------------------------------------------------------

Pasteboard::Pasteboard() : m_data(std::make_unique<QMimeData>()) {}

Pasteboard::Pasteboard(QClipboard::Mode mode)
    : m_data(std::make_unique<QMimeData>()), m_hasClipboard(true), m_mode(mode)
{
}

Pasteboard::~Pasteboard() = default;

Pasteboard& Pasteboard::generalPasteboard()
{
    static Pasteboard general(QClipboard::Clipboard);
    return general;
}

const QMimeData* Pasteboard::mimeData() const
{
    // The clipboard may have been changed by another application since this
    // process last wrote it: read what it offers now. Within a batch the
    // offer being built is the pasteboard's.
    if (m_hasClipboard && m_batchDepth == 0 && QGuiApplication::clipboard()) {
        if (const QMimeData* offered = QGuiApplication::clipboard()->mimeData(m_mode))
            return offered;
    }
    return m_data.get();
}

void Pasteboard::changed()
{
    if (m_batchDepth > 0)
        m_changedInBatch = true;
    else
        contentsChanged();
}

Pasteboard::ChangeBatch::ChangeBatch(Pasteboard& pasteboard) : m_pasteboard(pasteboard)
{
    ++m_pasteboard.m_batchDepth;
}

Pasteboard::ChangeBatch::~ChangeBatch()
{
    if (--m_pasteboard.m_batchDepth > 0 || !std::exchange(m_pasteboard.m_changedInBatch, false))
        return;
    m_pasteboard.contentsChanged();
}

void Pasteboard::contentsChanged()
{
    if (!m_hasClipboard || !QGuiApplication::clipboard())
        return;
    // The clipboard takes ownership of what it is given: hand it a copy.
    auto* copy = new QMimeData;
    for (const QString& format : m_data->formats())
        copy->setData(format, m_data->data(format));
    QGuiApplication::clipboard()->setMimeData(copy, m_mode);
}

QStringList Pasteboard::types() const
{
    QStringList offered = mimeData()->formats();
    if (!offered.contains(NSPasteboardTypeString) && offered.contains(kPlainTextMimeType))
        offered.append(NSPasteboardTypeString);
    return offered;
}

QString Pasteboard::availableTypeFromArray(const QStringList& candidates) const
{
    const QStringList offered = types();
    for (const QString& type : candidates) {
        if (offered.contains(type))
            return type;
    }
    return {};
}

QByteArray Pasteboard::dataForType(const QString& type) const
{
    const QMimeData* data = mimeData();
    if (data->hasFormat(type))
        return data->data(type);
    if (type == NSPasteboardTypeString && data->hasFormat(kPlainTextMimeType))
        return data->data(kPlainTextMimeType);
    return {};
}

QString Pasteboard::stringForType(const QString& type) const
{
    if (!types().contains(type))
        return {};
    const QString text = QString::fromUtf8(dataForType(type));
    if (type != NSURLPboardType)
        return text.isNull() ? QStringLiteral("") : text;
    // A URI list: lines ending in CR LF, comments starting with "#".
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(QLatin1Char('#')))
            return trimmed;
    }
    return QStringLiteral("");
}

QVariant Pasteboard::propertyListForType(const QString& type) const
{
    const QByteArray data = dataForType(type);
    if (data.isEmpty())
        return {};
    // What is pasted is walked item by item (each file name looked at, a
    // description logged): a list whose shared values expand far past its
    // size (4,000 references to one 1 MB name) would cost what it expands
    // to, and is taken as no list.
    QVariant value = propertyListFromData(data);
    const qint64 bound = kPropertyListHeldFactor * data.size() + kPropertyListHeldAllowance;
    if (propertyListExpandedSize(value, bound) > bound)
        return {};
    return value;
}

void Pasteboard::declareTypes(const QStringList& types, const QObject* owner)
{
    m_data = std::make_unique<QMimeData>();
    m_declared = types;
    m_owner = owner;
    changed();
}

bool Pasteboard::setData(const QByteArray& data, const QString& type)
{
    if (!m_declared.contains(type))
        return false;
    m_data->setData(type, data);
    // Plain text also goes out in the format every application reads.
    if (type == NSPasteboardTypeString)
        m_data->setData(kPlainTextMimeType, data);
    changed();
    return true;
}

bool Pasteboard::setString(const QString& string, const QString& type)
{
    return setData(string.toUtf8(), type);
}

bool Pasteboard::setPropertyList(const QVariant& propertyList, const QString& type)
{
    const QByteArray data = xmlDataFromPropertyList(propertyList);
    return !data.isEmpty() && setData(data, type);
}

// --- readers ------------------------------------------------------------------------

bool availableType(const Pasteboard& pasteboard, const QString& type)
{
    return !type.isNull() && !pasteboard.availableTypeFromArray({type}).isNull();
}

bool containsURLName(const Pasteboard& pasteboard)
{
    return !pasteboard.availableTypeFromArray(URLNamePboardTypes()).isNull();
}

QString URLName(const Pasteboard& pasteboard)
{
    const QString type = pasteboard.availableTypeFromArray(URLNamePboardTypes());
    return type.isNull() ? QString() : pasteboard.stringForType(type);
}

bool containsURL(const Pasteboard& pasteboard)
{
    return !pasteboard.availableTypeFromArray(URLPboardTypes()).isNull();
}

QString URLString(const Pasteboard& pasteboard)
{
    const QString type = pasteboard.availableTypeFromArray(URLPboardTypes());
    if (type.isNull())
        return {};
    QVariant value = pasteboard.propertyListForType(type);
    if (!value.isValid())
        return pasteboard.stringForType(type);
    if (value.typeId() == QMetaType::QVariantList) {
        const QVariantList list = value.toList();
        // [url] or [url, ""]: a second non-empty string would be a base URL.
        const bool emptySecond = list.size() == 2
            && (!list[1].isValid() || (list[1].typeId() == QMetaType::QString && list[1].toString().isEmpty()));
        if (list.size() == 1 || emptySecond)
            value = list[0];
    }
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    logMessage(QStringLiteral("Unsupported URL data (%1): %2").arg(type, describeFormatArgument(value)));
    return {};
}

namespace {

// The URL an internet-location file names, when `URLWithString` accepts it.
URL internetLocationURL(const QString& path)
{
    const QString location = resolveInternetLocation(path);
    return location.isEmpty() ? URL() : URL::URLWithString(location);
}

// The URL of a text that names a location; null when it names none.
URL textLocationURL(const QString& text)
{
    const QString location = possibleInternetLocation(text);
    return location.isEmpty() ? URL() : URLWithStringOrPath(location);
}

} // namespace

bool containsURLs(const Pasteboard& pasteboard)
{
    if (containsURL(pasteboard))
        return true;
    const QString type = pasteboard.availableTypeFromArray(URLListPboardTypes());
    if (type == NSPasteboardTypeString)
        return !textLocationURL(pasteboard.stringForType(type)).isNull();
    if (type == WebURLsWithTitlesPboardType)
        return true;
    if (type == NSFilenamesPboardType) {
        const QVariantList paths = pasteboard.propertyListForType(type).toList();
        return std::any_of(paths.begin(), paths.end(),
                           [](const QVariant& path) { return !internetLocationURL(path.toString()).isNull(); });
    }
    return false;
}

QString stringFromPasteboard(const Pasteboard* pasteboard)
{
    if (!pasteboard)
        return {};
    const QString type = pasteboard->availableTypeFromArray(plainTextPboardTypes());
    return type.isNull() ? QString() : pasteboard->stringForType(type);
}

std::optional<QList<URL>> URLsFromPasteboard(const Pasteboard& pasteboard, const QString& type)
{
    URL one;
    if (type == NSURLPboardType) {
        one = URL::URLWithString(pasteboard.stringForType(type));
    } else if (type == NSPasteboardTypeString) {
        one = textLocationURL(pasteboard.stringForType(type));
    } else if (type == NSFilenamesPboardType) {
        QList<URL> urls;
        for (const QVariant& path : pasteboard.propertyListForType(type).toList()) {
            if (const URL url = internetLocationURL(path.toString()); !url.isNull())
                urls.append(url);
        }
        return urls;
    } else {
        return std::nullopt;
    }
    if (one.isNull())
        return std::nullopt;
    return QList<URL>{one};
}

// --- writers ------------------------------------------------------------------------

bool copyToPasteboard(const QImage& image, Pasteboard& pasteboard)
{
    Pasteboard::ChangeBatch batch(pasteboard);
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setCompression(1); // the TIFF plugin's 1 is LZW
    if (image.isNull() || !writer.write(image) || tiff.isEmpty())
        return false;
    QByteArray png;
    QBuffer pngBuffer(&png);
    pngBuffer.open(QIODevice::WriteOnly);
    image.save(&pngBuffer, "PNG");
    pasteboard.declareTypes({NSPasteboardTypeTIFF, kPNGMimeType, kQtImageMimeType});
    pasteboard.setData(tiff, NSPasteboardTypeTIFF);
    pasteboard.setData(png, kPNGMimeType);
    // Qt's own image format is the PNG bytes; Qt converts on paste.
    pasteboard.setData(png, kQtImageMimeType);
    return true;
}

namespace {

QByteArray uriListData(const QList<URL>& urls)
{
    QByteArray list;
    for (const URL& url : urls)
        list += url.absoluteString().toUtf8() + "\r\n";
    return list;
}

} // namespace

void copyToPasteboard(const URL& url, Pasteboard& pasteboard)
{
    Pasteboard::ChangeBatch batch(pasteboard);
    pasteboard.declareTypes({NSURLPboardType, NSPasteboardTypeString});
    pasteboard.setString(absoluteStringOrPath(url), NSPasteboardTypeString);
    pasteboard.setData(uriListData({url}), NSURLPboardType);
}

void copyToPasteboard(const URL& url, Pasteboard& pasteboard, const QString& title, const QVariant& bookmark)
{
    Pasteboard::ChangeBatch batch(pasteboard);
    const QString absolute = url.absoluteString();
    const QString name = title.isEmpty() ? displayString(url) : title;
    QStringList types{NSPasteboardTypeString, NSURLPboardType, URLFlavorPboardType, URLNameFlavorPboardType,
                      WebURLsWithTitlesPboardType};
    if (bookmark.isValid())
        types.append(VelmorBookmarksPboardType);
    pasteboard.declareTypes(types);
    pasteboard.setData(uriListData({url}), NSURLPboardType);
    pasteboard.setString(absolute, URLFlavorPboardType);
    pasteboard.setString(stringByCreatingFilename(name), URLNameFlavorPboardType);
    pasteboard.setPropertyList(QVariantList{QVariantList{absolute}, QVariantList{name}}, WebURLsWithTitlesPboardType);
    pasteboard.setString(absolute, NSPasteboardTypeString);
    if (bookmark.isValid())
        pasteboard.setPropertyList(bookmark, VelmorBookmarksPboardType);
}

void copyURLsToPasteboard(const QList<URL>& urls, Pasteboard& pasteboard, const QStringList& titles)
{
    if (urls.isEmpty())
        return;
    if (urls.size() == 1) {
        copyToPasteboard(urls.first(), pasteboard, titles.isEmpty() ? QString() : titles.first());
        return;
    }
    QVariantList absolutes;
    QVariantList names;
    QString text;
    for (const URL& url : urls) {
        absolutes.append(url.absoluteString());
        if (titles.isEmpty())
            names.append(displayString(url));
        text += absoluteStringOrPath(url) + QLatin1Char('\n');
    }
    if (!titles.isEmpty())
        names = QVariantList(titles.begin(), titles.end());
    // The desktop's URI list too, so file managers and browsers can paste.
    Pasteboard::ChangeBatch batch(pasteboard);
    pasteboard.declareTypes({WebURLsWithTitlesPboardType, NSPasteboardTypeString, NSURLPboardType});
    pasteboard.setPropertyList(QVariantList{absolutes, names}, WebURLsWithTitlesPboardType);
    pasteboard.setString(text, NSPasteboardTypeString);
    pasteboard.setData(uriListData(urls), NSURLPboardType);
}

void copyToPasteboard(const QString& string, Pasteboard& pasteboard)
{
    Pasteboard::ChangeBatch batch(pasteboard);
    pasteboard.declareTypes({NSPasteboardTypeString});
    pasteboard.setString(string, NSPasteboardTypeString);
}

bool writeIndexesToPasteboard(const QList<qsizetype>& indexes, Pasteboard& pasteboard, const QString& type)
{
    if (indexes.isEmpty())
        return false;
    QList<qsizetype> sorted = indexes;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    QVariantList numbers;
    for (const qsizetype index : sorted)
        numbers.append(QVariant::fromValue(static_cast<quint64>(index)));
    Pasteboard::ChangeBatch batch(pasteboard);
    pasteboard.declareTypes({type});
    pasteboard.setPropertyList(numbers, type);
    return true;
}

} // namespace sorvant
