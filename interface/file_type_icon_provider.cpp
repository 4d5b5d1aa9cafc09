#include "interface/file_type_icon_provider.h"

#include "platform/mime_database.h"
#include "system/workspace_icons.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <array>

namespace sorvant {

namespace {

// An icon drawn from pictures read as images: a file dialog asks its
// provider on its model's worker thread, where no pixmap may be made, so
// the pixmaps are made where the icon is drawn.
class ImagesIconEngine : public QIconEngine
{
public:
    explicit ImagesIconEngine(std::array<QImage, 3> images) : m_images(std::move(images)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        const QImage& image = imageFor(size);
        if (image.isNull())
            return {};
        const QPixmap normal =
            QPixmap::fromImage(image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        // A disabled or selected item is drawn as the style draws any.
        if (mode == QIcon::Normal || !qobject_cast<QApplication*>(QCoreApplication::instance()))
            return normal;
        QStyleOption option;
        return QApplication::style()->generatedIconPixmap(mode, normal, &option);
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        return imageFor(size).isNull() ? QSize() : size;
    }
    [[nodiscard]] QIconEngine* clone() const override { return new ImagesIconEngine(m_images); }
    [[nodiscard]] bool isNull() override { return m_images.back().isNull(); }

private:
    // The smallest picture at least as large, else the largest.
    const QImage& imageFor(const QSize& size) const
    {
        for (const QImage& image : m_images) {
            if (image.width() >= size.width() && image.height() >= size.height())
                return image;
        }
        return m_images.back();
    }

    std::array<QImage, 3> m_images; // small to large
};

// The icon of a results type ("'fldr'", "txt") as the results table shows
// it: the icon theme's, else the picture the program ships.
QIcon typeIcon(const QString& type)
{
    std::array<QImage, 3> images;
    const int sides[] = {16, 32, 64};
    for (std::size_t i = 0; i < images.size(); ++i) {
        const QSize size(sides[i], sides[i]);
        images[i] = cachedIconForFileType(type, true, size);
        if (images[i].isNull())
            images[i] = placeholderIconForFileType(type, size);
    }
    return QIcon(new ImagesIconEngine(std::move(images)));
}

} // namespace

QIcon FileTypeIconProvider::icon(IconType type) const
{
    switch (type) {
    case Folder: return typeIcon(kFolderType);
    case File: return typeIcon(QStringLiteral(""));
    default: break;
    }
    // The places a dialog's side bar shows: the theme's, else the style's.
    QIcon themed = QAbstractFileIconProvider::icon(type);
    if (!themed.isNull() || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return themed;
    switch (type) {
    case Computer: return QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    case Desktop: return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
    case Trashcan: return QApplication::style()->standardIcon(QStyle::SP_TrashIcon);
    case Network: return QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon);
    case Drive: return QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
    default: return themed;
    }
}

QIcon FileTypeIconProvider::icon(const QFileInfo& info) const
{
    if (info.isDir())
        return icon(Folder);
    const QString type = mimeTypeOfFile(info.filePath());
    for (const QString& name : {mimeTypeIconName(type), mimeTypeGenericIconName(type)}) {
        if (!name.isEmpty() && QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return icon(File);
}

QString FileTypeIconProvider::type(const QFileInfo& info) const
{
    // A folder by its type's comment too, as the results' Kind column says.
    return mimeTypeComment(info.isDir() ? QStringLiteral("inode/directory") : mimeTypeOfFile(info.filePath()));
}

} // namespace sorvant
