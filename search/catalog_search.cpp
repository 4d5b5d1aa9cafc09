#include "search/catalog_search.h"

#include "search/directory_walk.h"
#include "search/search_params.h"

#include <QStringList>

#include <algorithm>

namespace sorvant {

bool searchWindowIsSystemFolderName(const QString& name)
{
    if (name.size() < 3 || name.size() > 23)
        return false;
    static const QStringList names = {
        QStringLiteral("etc"),          QStringLiteral("tmp"),
        QStringLiteral("var"),          QStringLiteral("dev"),
        QStringLiteral("bin"),          QStringLiteral("usr"),
        QStringLiteral("net"),          QStringLiteral("sbin"),
        QStringLiteral("mach"),         QStringLiteral("home"),
        QStringLiteral("cores"),        QStringLiteral("private"),
        QStringLiteral("Volumes"),      QStringLiteral("mach.sym"),
        QStringLiteral("automount"),    QStringLiteral("mach_kernel"),
        QStringLiteral("Desktop Folder"), QStringLiteral("Temporary Items"),
        QStringLiteral("TheVolumeSettingsFolder"),
    };
    return std::find(names.cbegin(), names.cend(), name) != names.cend();
}

bool isCatalogSearchRoot(const QString& path)
{
    return isVolumeRootPath(path);
}

bool isCatalogSearchQuery(const SearchParams& params)
{
    const bool plainMode = params.mode != kSearchWildcards && params.mode != kSearchQueryTerms
                           && params.mode != kSearchRegularExpression;
    const bool namesOnly = (params.what & (kSearchContents | kSearchTags | kSearchComments)) == 0;
    return plainMode && params.wordsCount() == 1 && namesOnly;
}

bool hasCatalogSearch(const QString& /*path*/)
{
    // No Linux file system offers a search of its directory catalog by
    // partial name; the kernel only answers lookups of whole names.
    return false;
}

} // namespace sorvant
