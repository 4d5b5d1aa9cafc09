#pragma once
// Snapshots of views: an image of a view from its PDF data, of a rectangle of
// it (what is on screen, or the view drawn anew), and thumbnails of both.
// Rectangles are in the view's own coordinates (Qt's, y-down). Nil images
// come back for empty rectangles and for views that cannot be drawn; nothing
// here throws.
//
//   thumbnailSizeForSnapshot({300, 100}, {150, 150}) => {150, 50}
//   thumbnailSizeForSnapshot({40.2, 10}, {150, 150}) => {41, 10}
//   snapshotFromRect(view, {0, 0, 0, 10})           => nil

#include "interface/images.h"

#include <QRectF>
#include <QSizeF>

class QWidget;

namespace sorvant {

// The image of dataWithPDF(view); nil when there is no data.
[[nodiscard]] Image fullSnapshot(QWidget* view);
[[nodiscard]] Image fullSnapshotForThumbSize(QWidget* view, QSizeF thumbSize);
// snapshotFromRect with the whole view / the part of it that is visible.
[[nodiscard]] Image boundsSnapshot(QWidget* view);
[[nodiscard]] Image visibleSnapshot(QWidget* view);

// `rect` of the view. Without `draw`, what a visible view shows there (its
// children included); with `draw`, the view alone drawn anew into an image
// of the ceiled size.
[[nodiscard]] Image snapshotFromRect(QWidget* view, QRectF rect, bool draw = false);
// The same fitted into `thumbSize` (never enlarged).
[[nodiscard]] Image snapshotFromRect(QWidget* view, QRectF rect, QSizeF thumbSize, bool draw = false);

// The size a thumbnail of a `size` picture gets in `thumbSize`: the ceiled
// size, fitted by width, then by height, each side rounded down and at
// least 1.
[[nodiscard]] QSize thumbnailSizeForSnapshot(QSizeF size, QSizeF thumbSize);

} // namespace sorvant
