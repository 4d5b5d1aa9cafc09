#pragma once
// The system's MIME cache cut in half, as a damaged copy of it in a user's
// data folder would be, for tests that no library is handed such a cache.

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>

namespace sorvant::test {

// The first half of the mime.cache the data folders name first; empty
// where there is none to read.
inline QByteArray halfOfTheSystemMimeCache()
{
    const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("mime/mime.cache"));
    QFile cache(path);
    if (path.isEmpty() || !cache.open(QIODevice::ReadOnly))
        return {};
    const QByteArray whole = cache.readAll();
    return whole.left(whole.size() / 2);
}

} // namespace sorvant::test
