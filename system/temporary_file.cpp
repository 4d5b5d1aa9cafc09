#include "system/temporary_file.h"

#include "system/file_operations.h"

#include <utility>

namespace sorvant {

TemporaryFile::TemporaryFile(QString path) : m_path(std::move(path)) {}

TemporaryFile::~TemporaryFile()
{
    if (!m_path.isEmpty())
        removePath(m_path);
}

std::shared_ptr<TemporaryFile> TemporaryFile::temporaryFileWithPath(const QString& path)
{
    return std::make_shared<TemporaryFile>(path);
}

} // namespace sorvant
