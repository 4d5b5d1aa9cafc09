#pragma once
// A file or folder whose life on disk is the life of an object: when the
// last owner lets go, the item at the path is removed (a whole folder too;
// a missing item counts as removed, a failed removal is logged).
//
//   auto file = TemporaryFile::temporaryFileWithPath("/tmp/export.pdf");
//   hand(file);          // the receiver keeps the shared pointer
//   file.reset();        // "/tmp/export.pdf" goes when the last copy does

#include <QString>

#include <memory>

namespace sorvant {

class TemporaryFile
{
public:
    // A null path removes nothing.
    explicit TemporaryFile(QString path);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    [[nodiscard]] static std::shared_ptr<TemporaryFile> temporaryFileWithPath(const QString& path);

    [[nodiscard]] const QString& path() const { return m_path; }

private:
    QString m_path;
};

} // namespace sorvant
