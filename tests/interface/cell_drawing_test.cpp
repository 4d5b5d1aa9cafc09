#include "interface/cell_drawing.h"

#include "foundation/attributed_string.h"
#include "interface/colors.h"
#include "interface/fonts.h"
#include "interface/table_cells.h"
#include "tests/interface/support.h"
#include "tests/interface/widget_helpers.h"

#include <QPainter>
#include <QPicture>
#include <QStandardItemModel>
#include <QTableView>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

const QString kFont = QString::fromLatin1(attribute::kFont);
const QString kColor = QString::fromLatin1(attribute::kForegroundColor);
const QString kParagraph = QString::fromLatin1(attribute::kParagraphStyle);

// A focused table over one editable and one read-only item.
class CellDrawing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model.setItem(0, 0, new QStandardItem(QStringLiteral("editable")));
        auto* fixed = new QStandardItem(QStringLiteral("read only"));
        fixed->setEditable(false);
        model.setItem(1, 0, fixed);
        view.setModel(&model);
        view.resize(200, 100);
        test::activate(view);
        view.setFocus();
    }

    QStyleOptionViewItem option(bool selected, bool focused, bool withView = true)
    {
        QStyleOptionViewItem result;
        result.initFrom(&view);
        result.widget = withView ? &view : nullptr;
        result.rect = QRect(0, 0, 120, 24);
        result.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected);
        if (selected)
            result.state |= QStyle::State_Selected;
        if (focused)
            result.state |= QStyle::State_HasFocus;
        return result;
    }

    // Pixels drawn on the cell's outer two-point border.
    static int borderInk(const QImage& image)
    {
        const QRect cell(0, 0, 120, 24);
        return test::inkPixels(image, cell, Qt::white)
            - test::inkPixels(image, cell.adjusted(2, 2, -2, -2), Qt::white);
    }

    QStandardItemModel model;
    QTableView view;
};

// The cell's colour follows the view's selection and focus and the device;
// without a view the colour is left out, without a font the font.
TEST_F(CellDrawing, TextAttributesInViewFollowTheView)
{
    QImage image = test::blankImage(10, 10);
    QPainter screen(&image);
    const QFont bold = smallBoldSystemFont();
    const QVariantMap selected =
        textAttributesInView(option(true, true), screen, bold, controlTextColor(), LineBreakMode::ByTruncatingMiddle,
                             TextAlignment::Center);
    EXPECT_EQ(selected.value(kColor).value<Color>(), alternateSelectedControlTextColor());
    EXPECT_EQ(selected.value(kFont).value<QFont>(), bold);
    const ParagraphStyle style = selected.value(kParagraph).value<ParagraphStyle>();
    EXPECT_EQ(style.lineBreakMode, LineBreakMode::ByTruncatingMiddle);
    EXPECT_EQ(style.alignment, TextAlignment::Center);
    EXPECT_FALSE(style.allowsDefaultTighteningForTruncation);

    QPicture picture;
    QPainter paper(&picture);
    EXPECT_EQ(textAttributesInView(option(true, true), paper, bold, controlTextColor(), LineBreakMode::ByClipping,
                                   TextAlignment::Left)
                  .value(kColor)
                  .value<Color>(),
              Color::blackColor());

    const QVariantMap bare = textAttributesInView(option(true, true, false), screen, std::nullopt, Color::redColor(),
                                                  LineBreakMode::ByClipping, TextAlignment::Left);
    EXPECT_FALSE(bare.contains(kColor));
    EXPECT_FALSE(bare.contains(kFont));
    EXPECT_TRUE(bare.contains(kParagraph));
}

// The ring shows only on the focused cell of an editable item, around the
// given rect grown by a point, and leaves the painter as it was.
TEST_F(CellDrawing, FocusRingOnlyOnTheFocusedEditableCell)
{
    const QModelIndex editable = model.index(0, 0);
    const QModelIndex readOnly = model.index(1, 0);
    EXPECT_TRUE(shouldDrawFocusRing(option(false, true), editable));
    EXPECT_FALSE(shouldDrawFocusRing(option(false, false), editable));
    EXPECT_FALSE(shouldDrawFocusRing(option(false, true), readOnly));

    const auto ring = [&](const QStyleOptionViewItem& cell, const QModelIndex& index) {
        QImage image = test::blankImage(120, 24, Qt::white);
        QPainter painter(&image);
        const QPen pen(Qt::green, 3);
        painter.setPen(pen);
        drawFocusRing(painter, cell, index, QRectF(11, 6, 98, 12));
        EXPECT_EQ(painter.pen(), pen);
        painter.end();
        return image;
    };
    // The style's frame fills the grown rect (10, 5, 100, 14) and no more.
    const QImage drawn = ring(option(false, true), editable);
    const QRect grown(10, 5, 100, 14);
    EXPECT_GT(test::inkPixels(drawn, grown, Qt::white)
                  - test::inkPixels(drawn, grown.adjusted(1, 1, -1, -1), Qt::white),
              150);
    EXPECT_EQ(test::inkPixels(drawn, drawn.rect(), Qt::white), test::inkPixels(drawn, grown, Qt::white));
    EXPECT_EQ(test::inkPixels(ring(option(false, false), editable), QRect(0, 0, 120, 24), Qt::white), 0);
    EXPECT_EQ(test::inkPixels(ring(option(false, true), readOnly), QRect(0, 0, 120, 24), Qt::white), 0);

    // Regression: the ring of the focused cell was printed. Paper has no
    // keys to say where they go.
    QPicture picture;
    {
        QPainter paper(&picture);
        drawFocusRing(paper, option(false, true), editable, QRectF(11, 6, 98, 12));
    }
    QImage printed = test::blankImage(120, 24, Qt::white);
    {
        QPainter painter(&printed);
        painter.drawPicture(0, 0, picture);
    }
    EXPECT_EQ(test::inkPixels(printed, printed.rect(), Qt::white), 0);
}

// The text cell draws the ring of its focused editable item; its
// highlighted text is laid out with the cell's alignment.
TEST_F(CellDrawing, TextFieldCellDrawsTheRingAndAlignsHighlightedText)
{
    TextFieldCell cell(LineBreakMode::ByTruncatingTail, systemFont(), true, 0);
    const auto paint = [&](const QStyleOptionViewItem& cellOption, const QModelIndex& index) {
        QImage image = test::blankImage(120, 24, Qt::white);
        QPainter painter(&image);
        cell.paint(&painter, cellOption, index);
        painter.end();
        return image;
    };
    EXPECT_GT(borderInk(paint(option(false, true), model.index(0, 0))), 100);
    EXPECT_EQ(borderInk(paint(option(false, false), model.index(0, 0))), 0);
    EXPECT_EQ(borderInk(paint(option(false, true), model.index(1, 0))), 0);

    AttributedString highlighted(QStringLiteral("ab"));
    highlighted.addAttribute(kColor, QVariant::fromValue(Color::redColor()), Range{0, 1});
    model.item(1, 0)->setData(QVariant::fromValue(highlighted), cell_role::kHighlighted);
    const QImage centred = paint(option(false, false), model.index(1, 0));
    EXPECT_EQ(test::inkPixels(centred, QRect(0, 0, 40, 24), Qt::white), 0);
    EXPECT_GT(test::inkPixels(centred, QRect(45, 0, 30, 24), Qt::white), 0);
}

} // namespace
} // namespace sorvant
