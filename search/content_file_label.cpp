#include "search/content_file_label.h"

#include "platform/file_system_representation.h"

namespace sorvant {

QString FileLabel::path() const
{
    if (folder.isEmpty())
        return stringWithFileSystemRepresentation(name);
    return stringWithFileSystemRepresentation(folder.endsWith('/') ? folder + name : folder + '/' + name);
}

} // namespace sorvant
