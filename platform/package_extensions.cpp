#include "platform/package_extensions.h"

#include "platform/path_semantics.h"

namespace sorvant {

namespace {

// The lists are ASCII, so folding ASCII letters alone compares them exactly.
char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

bool endsWithAsciiNoCase(const QString& text, const QString& suffix)
{
    const qsizetype offset = text.size() - suffix.size();
    if (offset < 0)
        return false;
    for (qsizetype i = 0; i < suffix.size(); ++i) {
        if (asciiLower(text.at(offset + i).unicode()) != asciiLower(suffix.at(i).unicode()))
            return false;
    }
    return true;
}

bool equalsAsciiNoCase(const QString& a, const QString& b)
{
    return a.size() == b.size() && endsWithAsciiNoCase(a, b);
}

} // namespace

const QStringList& packageSuffixes()
{
    static const QStringList suffixes = {
        QStringLiteral(".qxBase2"), QStringLiteral(".qxCloud"), QStringLiteral(".scptd"),
        QStringLiteral(".qxTemplate"), QStringLiteral(".templatescriptd"), QStringLiteral(".textbundle"),
    };
    return suffixes;
}

const QStringList& bundleExtensions()
{
    static const QStringList extensions = {
        QStringLiteral("app"), QStringLiteral("appex"), QStringLiteral("bundle"),
        QStringLiteral("component"), QStringLiteral("framework"), QStringLiteral("kext"),
        QStringLiteral("mdimporter"), QStringLiteral("mpkg"), QStringLiteral("pkg"),
        QStringLiteral("plugin"), QStringLiteral("prefpane"), QStringLiteral("qlgenerator"),
        QStringLiteral("rtfd"), QStringLiteral("saver"), QStringLiteral("scptd"),
        QStringLiteral("wdgt"), QStringLiteral("xcodeproj"), QStringLiteral("xcworkspace"),
        QStringLiteral("photoslibrary"), QStringLiteral("band"), QStringLiteral("logicx"),
    };
    return extensions;
}

bool hasPackageSuffix(const QString& path)
{
    for (const QString& suffix : packageSuffixes()) {
        if (endsWithAsciiNoCase(path, suffix))
            return true;
    }
    return false;
}

bool hasBundleExtension(const QString& path)
{
    const QString extension = pathExtension(path);
    if (extension.isEmpty())
        return false;
    for (const QString& known : bundleExtensions()) {
        if (equalsAsciiNoCase(extension, known))
            return true;
    }
    return false;
}

bool hasApplicationExtension(const QString& path)
{
    return equalsAsciiNoCase(pathExtension(path), QStringLiteral("app"));
}

} // namespace sorvant
