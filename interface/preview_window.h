#pragma once
// The preview window of Quick Look: a tool window, shown without taking
// focus, that shows one of a list of files at a time.
//
// Previews (renderPreview):
//   bitmaps QImageReader reads     => the picture, scaled to fit (never up)
//   text (the MIME type inherits text/plain) => the first lines in a fixed font
//   PDF                            => the first page (system/pdf_documents.h)
//   movies                         => the first frame with the duration
//   anything else, or a file that cannot be read
//                                  => a large icon with the name, size and
//                                     modification date
// Keys: Space and Escape close; arrows, Home, End, Page Up and Page Down
// move through the items. In full screen a slide show advances on a timer.

#include <QImage>
#include <QList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace sorvant {

enum class PreviewKind { Picture, Text, Pdf, Movie, Generic };

// What a file's preview shows (by content type, then whether it reads).
[[nodiscard]] PreviewKind previewKindForFile(const QString& path);
// The preview of a file drawn into an image of `size` pixels.
[[nodiscard]] QImage renderPreview(const QString& path, QSize size);

class PreviewWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewWindow(QWidget* parent = nullptr);

    [[nodiscard]] QList<QUrl> items() const { return m_items; }
    // Keeps the current item when it is still listed, else shows the first.
    void setItems(const QList<QUrl>& items);
    [[nodiscard]] int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    [[nodiscard]] QUrl currentItem() const;

    [[nodiscard]] bool isOpen() const { return isVisible(); }
    void orderFront();

    // Full screen with the slide show advancing every `interval` ms.
    bool enterFullScreenSlideShow(int interval = 3000);
    [[nodiscard]] bool playsSlideShow() const { return m_slideShow.isActive(); }

    // Moves through the items for arrows, Home, End and the page keys; NO
    // for any other key.
    bool navigate(int key);

    // Keys the window does not handle go here (the main window's focus).
    void setKeyForwarder(std::function<bool(QKeyEvent*)> forwarder) { m_forward = std::move(forwarder); }

signals:
    void closed();
    void currentItemChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    QList<QUrl> m_items;
    int m_current = -1;
    QImage m_rendered;
    QTimer m_slideShow;
    std::function<bool(QKeyEvent*)> m_forward;
};

} // namespace sorvant
