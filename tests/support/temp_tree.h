#pragma once
// A unique temporary folder for one test, removed with everything in it when
// the object goes away, and small helpers to fill it.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace sorvant::test {

class TempTree
{
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The absolute path of the folder, without a trailing "/".
    [[nodiscard]] const QString& path() const { return m_path; }
    // The absolute path of `relative` inside the folder.
    [[nodiscard]] QString filePath(const QString& relative) const;

    // Writes a file (making its folders first) and answers its absolute path.
    QString writeFile(const QString& relative, const QByteArray& contents = {});
    // Makes a folder and its parents and answers its absolute path.
    QString makeDir(const QString& relative);
    // Makes a FIFO, a link to "/dev/zero" and a socket whose names start
    // with `stem` and end with `suffix` (for readers that must never open or
    // read such files), and, where root may make one, a character device like
    // "/dev/zero"; answers their paths. Fails the current test when one
    // cannot be made.
    QStringList makeSpecialFiles(const QString& stem, const QString& suffix = {});

private:
    QString m_path;
};

// Makes a folder of its own on another file system than `than`'s (a move
// there must copy, not rename): in the first of /dev/shm, the working
// folder (the build tree), /var/tmp and /tmp that is writable and on
// another device. Answers its path; the caller removes it. Null when every
// place shares `than`'s file system, as where all are one.
//   than on ext4, /dev/shm a tmpfs  => "/dev/shm/sorvant-test-aB3dE6"
//   than on /dev/shm                => "<working folder>/sorvant-test-aB3dE6"
[[nodiscard]] QString makeFolderOnAnotherFileSystem(const QString& than);

// Byte-exact helpers for names Qt's file classes cannot hold (bytes that
// are not UTF-8): the path goes to the kernel as given. Each fails the
// current test when the call fails.
void writeFileBytes(const QByteArray& path, const QByteArray& contents = {});
void makeDirBytes(const QByteArray& path);
// The file's bytes; "<unreadable>" when it cannot be read.
[[nodiscard]] QByteArray readFileBytes(const QByteArray& path);

} // namespace sorvant::test
