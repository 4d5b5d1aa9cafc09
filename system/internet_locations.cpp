#include "system/internet_locations.h"

#include "foundation/lines.h"
#include "foundation/string_construction.h"
#include "foundation/trimming.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "platform/url.h"
#include "system/file_tests.h"
#include "web/url/url_predicates.h"

#include <QVariantMap>

namespace sorvant {

namespace {

const QStringList& locationTypeCodes()
{
    static const QStringList codes {
        QStringLiteral("ilht"), QStringLiteral("ilft"), QStringLiteral("ilfi"), QStringLiteral("ilma"),
        QStringLiteral("ilnw"), QStringLiteral("ilaf"), QStringLiteral("ilat"), QStringLiteral("ilns"),
        QStringLiteral("ilge"), QStringLiteral("ilvn"), QStringLiteral("LINK"),
    };
    return codes;
}

const QStringList& locationExtensions()
{
    static const QStringList extensions {
        QStringLiteral("webloc"), QStringLiteral("mailloc"), QStringLiteral("ftploc"),
        QStringLiteral("inetloc"), QStringLiteral("newsloc"), QStringLiteral("fileloc"),
        QStringLiteral("vncloc"), QStringLiteral("url"), QStringLiteral("webhistory"),
        QStringLiteral("webbookmark"),
    };
    return extensions;
}

// The four characters of a quoted type code string ("'ilht'" => "ilht"),
// null when it is not one.
QString typeCodeText(const QString& type)
{
    if (type.size() == 6 && type.startsWith(u'\'') && type.endsWith(u'\''))
        return type.mid(1, 4);
    return {};
}

QString typeStringAtPath(const QString& path)
{
    const std::uint32_t code = fileHFSTypeCodeAtPath(path);
    if (code == 0)
        return {};
    QString text(u'\'');
    for (int shift = 24; shift >= 0; shift -= 8)
        text.append(QChar(static_cast<char16_t>((code >> shift) & 0xFF)));
    return text + u'\'';
}

QString addressFromShortcutText(const QString& text)
{
    const QStringList all = lines(text);
    for (const QString& line : all) {
        if (line.startsWith(QLatin1String("URL="), Qt::CaseInsensitive)) {
            const QString address = stringByTrimmingWhiteSpaces(line.mid(4));
            if (!address.isEmpty())
                return address;
            break;
        }
    }
    if (all.size() == 1) {
        const QString address = stringByTrimmingWhiteSpaces(all.first());
        if (!address.isEmpty())
            return address;
    }
    return {};
}

} // namespace

const QStringList& InternetLocationTypes()
{
    static const QStringList types {
        QStringLiteral("'ilht'"), QStringLiteral("'ilft'"), QStringLiteral("'ilfi'"), QStringLiteral("'ilma'"),
        QStringLiteral("'ilnw'"), QStringLiteral("'ilaf'"), QStringLiteral("'ilat'"), QStringLiteral("'ilns'"),
        QStringLiteral("'ilge'"), QStringLiteral("'ilvn'"), QStringLiteral("webloc"), QStringLiteral("mailloc"),
        QStringLiteral("newsloc"), QStringLiteral("fileloc"), QStringLiteral("ftploc"), QStringLiteral("inetloc"),
        QStringLiteral("vncloc"), QStringLiteral("url"), QStringLiteral("URL"), QStringLiteral("'LINK'"),
        QStringLiteral("webhistory"), QStringLiteral("webbookmark"),
    };
    return types;
}

bool isInternetLocationExtension(const QString& extension, const QString& type)
{
    const QString code = typeCodeText(type);
    if (!code.isNull() && locationTypeCodes().contains(code))
        return true;
    return !extension.isEmpty() && locationExtensions().contains(extension, Qt::CaseInsensitive);
}

bool isInternetLocationFile(const QString& path)
{
    return !path.isEmpty() && isInternetLocationExtension(pathExtension(path), typeStringAtPath(path));
}

QString resolveInternetLocation(const QString& path, QString* name)
{
    if (name)
        name->clear();
    if (path.isEmpty())
        return {};
    const QString extension = pathExtension(path);
    const QString type = typeStringAtPath(path);
    if (!isInternetLocationExtension(extension, type))
        return {};
    const bool textForm = extension.compare(QLatin1String("url"), Qt::CaseInsensitive) == 0
        || type == QLatin1String("'LINK'");
    if (textForm) {
        const QString text = stringWithContentsOfFile(path, NSUTF8StringEncoding);
        return text.isNull() ? QString() : addressFromShortcutText(text);
    }
    const QVariant list = readPropertyListFile(path);
    if (list.typeId() != QMetaType::QVariantMap)
        return {};
    const QVariantMap dictionary = list.toMap();
    const QVariant address = dictionary.value(QStringLiteral("URL"));
    if (address.typeId() != QMetaType::QString)
        return {};
    if (name)
        *name = dictionary.value(QStringLiteral("Name")).toString();
    return address.toString();
}

QString pathExtensionForInternetLocation(const QString& address)
{
    if (address.isNull())
        return {};
    if (isFileStringURL(address))
        return QStringLiteral("fileloc");
    if (isHTTPStringURL(address))
        return QStringLiteral("webloc");
    if (isFTPStringURL(address))
        return QStringLiteral("ftploc");
    if (isNewsStringURL(address))
        return QStringLiteral("newsloc");
    if (isMailStringURL(address))
        return QStringLiteral("mailloc");
    if (address.startsWith(QLatin1String("vnc://"), Qt::CaseInsensitive))
        return QStringLiteral("vncloc");
    if (address.isEmpty())
        return {};
    return QStringLiteral("inetloc");
}

QString pathExtensionForInternetLocation(const URL& url)
{
    if (url.isNull())
        return {};
    if (url.isFileURL())
        return QStringLiteral("fileloc");
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return QStringLiteral("webloc");
    if (scheme == QLatin1String("ftp") || scheme == QLatin1String("ftps") || scheme == QLatin1String("sftp"))
        return QStringLiteral("ftploc");
    if (scheme == QLatin1String("mailto"))
        return QStringLiteral("mailloc");
    if (scheme == QLatin1String("news") || scheme == QLatin1String("nntp"))
        return QStringLiteral("newsloc");
    if (scheme == QLatin1String("vnc"))
        return QStringLiteral("vncloc");
    return QStringLiteral("inetloc");
}

bool createInternetLocation(const QString& address, const QString& path)
{
    if (address.isEmpty() || path.isEmpty() || address.toUtf8().isEmpty())
        return false;
    return writePropertyListFile(path, QVariantMap {{QStringLiteral("URL"), address}});
}

bool createInternetLocation(const URL& url, const QString& path)
{
    return !url.isNull() && createInternetLocation(url.absoluteString(), path);
}

bool createURL(const QString& address, const QString& path)
{
    if (address.isNull() || path.isEmpty())
        return false;
    return writeToFile(QStringLiteral("[InternetShortCut]\nURL=%1\n").arg(address), path, true,
                       NSUTF8StringEncoding);
}

bool createURL(const URL& url, const QString& path)
{
    return !url.isNull() && createURL(url.absoluteString(), path);
}

} // namespace sorvant
