#include "tests/support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace sorvant::test {

TempTree::TempTree()
{
    std::string pattern = QDir::tempPath().toStdString() + "/sorvant-test-XXXXXX";
    const char* made = ::mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr) << "mkdtemp failed";
    m_path = made ? QString::fromStdString(pattern) : QString();
}

TempTree::~TempTree()
{
    if (!m_path.isEmpty()) {
        // Make everything writable first so that read-only folders made by a
        // test do not keep the tree alive.
        std::string command = "chmod -R u+rwx '" + m_path.toStdString() + "' 2>/dev/null";
        [[maybe_unused]] int status = std::system(command.c_str());
        QDir(m_path).removeRecursively();
    }
}

QString TempTree::filePath(const QString& relative) const
{
    return m_path + QLatin1Char('/') + relative;
}

QString TempTree::writeFile(const QString& relative, const QByteArray& contents)
{
    const QString full = filePath(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << full.toStdString();
    file.write(contents);
    return full;
}

QString TempTree::makeDir(const QString& relative)
{
    const QString full = filePath(relative);
    EXPECT_TRUE(QDir().mkpath(full)) << full.toStdString();
    return full;
}

QString makeFolderOnAnotherFileSystem(const QString& than)
{
    struct stat near {};
    if (::stat(QFile::encodeName(than).constData(), &near) != 0)
        return {};
    for (const QString& place : {QStringLiteral("/dev/shm"), QDir::currentPath(), QStringLiteral("/var/tmp"),
                                 QStringLiteral("/tmp")}) {
        struct stat info {};
        const QByteArray bytes = QFile::encodeName(place);
        if (::stat(bytes.constData(), &info) != 0 || info.st_dev == near.st_dev || ::access(bytes.constData(), W_OK) != 0)
            continue;
        QByteArray pattern = bytes + "/sorvant-test-XXXXXX";
        if (::mkdtemp(pattern.data()))
            return QFile::decodeName(pattern);
    }
    return {};
}

void writeFileBytes(const QByteArray& path, const QByteArray& contents)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.constData() << ": " << std::strerror(errno);
    const ssize_t written = ::write(fd, contents.constData(), size_t(contents.size()));
    ::close(fd);
    ASSERT_EQ(written, contents.size()) << path.constData();
}

QStringList TempTree::makeSpecialFiles(const QString& stem, const QString& suffix)
{
    const QString pipe = filePath(stem + QStringLiteral("-pipe") + suffix);
    const QString link = filePath(stem + QStringLiteral("-zero") + suffix);
    const QString socket = filePath(stem + QStringLiteral("-socket") + suffix);
    EXPECT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0) << std::strerror(errno);
    EXPECT_TRUE(QFile::link(QStringLiteral("/dev/zero"), link));
    // A bound socket leaves its node behind when the descriptor closes.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketBytes = QFile::encodeName(socket);
    EXPECT_LT(size_t(socketBytes.size()), sizeof address.sun_path) << "socket path too long";
    std::strncpy(address.sun_path, socketBytes.constData(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    ::close(fd);
    QStringList paths{pipe, link, socket};
    // Only root may make a device, and a container may forbid even that.
    const QString device = filePath(stem + QStringLiteral("-device") + suffix);
    if (::geteuid() == 0 && ::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0600, ::makedev(1, 5)) == 0)
        paths.append(device);
    return paths;
}

void makeDirBytes(const QByteArray& path)
{
    ASSERT_EQ(::mkdir(path.constData(), 0755), 0) << path.constData() << ": " << std::strerror(errno);
}

QByteArray readFileBytes(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArrayLiteral("<unreadable>");
    QByteArray contents;
    char buffer[65536];
    for (ssize_t count; (count = ::read(fd, buffer, sizeof buffer)) > 0;)
        contents.append(buffer, count);
    ::close(fd);
    return contents;
}

} // namespace sorvant::test
