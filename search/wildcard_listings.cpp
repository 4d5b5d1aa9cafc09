#include "search/wildcard_listings.h"

#include "search/wildcard_patterns.h"
#include "system/folder_listings.h"

namespace sorvant {

QStringList pathsAtPathMatchingWildcard(const QString& folder, const QString& wildcard)
{
    if (wildcard.isNull())
        return {};
    return pathsAtPathMatchingName(folder, [&wildcard](const QString& name) {
        return isCaseInsensitiveLikeWildcard(name, wildcard);
    });
}

} // namespace sorvant
