#include "foundation/array_extensions.h"

namespace sorvant {

void addObjects(QStringList& list, const char* const* strings)
{
    for (; strings && *strings; ++strings)
        list.append(QString::fromUtf8(*strings));
}

} // namespace sorvant
