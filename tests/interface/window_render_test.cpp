// Renders a small window built from the toolkit's pieces offscreen, checks
// its pixels and leaves it as a PNG in the build folder for a person to
// look at.
#include "interface/controls.h"
#include "interface/view_extensions.h"
#include "interface/window_controller.h"
#include "interface/window_extensions.h"

#include "tests/interface/widget_helpers.h"

#include <QDir>
#include <QFormLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// An empty results area that says so in its middle.
class EmptyResultsView : public BackgroundView
{
protected:
    void paintEvent(QPaintEvent* event) override
    {
        BackgroundView::paintEvent(event);
        QPainter painter(this);
        drawAlternateString(painter, this, QStringLiteral("No Results"), 30);
    }
};

TEST(WindowRendering, SearchLikeWindowRendersOffscreen)
{
    auto* window = new QWidget;
    WindowController controller(window);
    window->setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QVBoxLayout(window);
    auto* form = new QFormLayout;
    auto* phrase = new QLineEdit;
    setStringValue(phrase, QStringLiteral("report 2026"));
    auto* place = new ClickablePathControl;
    place->setPath(QStringLiteral("~/Documents"));
    form->addRow(QStringLiteral("Search for:"), phrase);
    form->addRow(QStringLiteral("In:"), place);
    layout->addLayout(form);
    auto* results = new EmptyResultsView;
    results->setBackgroundColor(QColor(0xf4, 0xf6, 0xf8));
    results->setMinimumHeight(160);
    layout->addWidget(results);
    window->resize(420, 300);
    test::activate(*window);
    addCenteredActionButton(results, QStringLiteral("Search Again"), "performSearch:", nullptr);
    QCoreApplication::processEvents();

    const QImage image = window->grab().toImage();
    ASSERT_EQ(image.size(), window->size() * window->devicePixelRatio());
    const QString path = QDir(QStringLiteral(QT_TESTCASE_BUILDDIR)).filePath(QStringLiteral("interface-window.png"));
    EXPECT_TRUE(image.save(path)) << path.toStdString();

    // The results area is filled with its colour near its corner.
    const QPoint corner = results->mapTo(window, QPoint(3, 3));
    EXPECT_EQ(image.pixelColor(corner), QColor(0xf4, 0xf6, 0xf8));
    // The message is drawn in the upper half of the results area (offset
    // 30 up from the middle), the button in its middle.
    const int messageRow = results->mapTo(window, QPoint(0, results->height() / 2 - 30)).y();
    int inked = 0;
    for (int x = 0; x < image.width(); ++x)
        inked += image.pixelColor(x, messageRow) != QColor(0xf4, 0xf6, 0xf8) ? 1 : 0;
    EXPECT_GT(inked, 20);
    EXPECT_EQ(place->text(), QStringLiteral("~/Documents"));
}

} // namespace
} // namespace sorvant
