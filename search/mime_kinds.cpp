#include "search/mime_kinds.h"

namespace sorvant {

QString mimeKindOfFile(const QString& path)
{
    return path.isEmpty() ? QString() : mimeTypeComment(mimeTypeOfFile(path));
}

} // namespace sorvant
