#include "interface/controls.h"

#include "interface/action_router.h"
#include "interface/appearance.h"
#include "interface/colors.h"
#include "tests/interface/widget_helpers.h"
#include "tests/support/log_capture.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace sorvant {
namespace {

TEST(Controls, NilStringValueShowsEmptyAndLogsOnce)
{
    QLineEdit field(QStringLiteral("before"));
    QLabel label(QStringLiteral("before"));
    QPushButton button(QStringLiteral("before"));
    const struct {
        QWidget* control;
        const char* className;
    } cases[] = {{&field, "QLineEdit"}, {&label, "QLabel"}, {&button, "QPushButton"}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.className);
        test::LogCapture log;
        setStringValue(row.control, QString());
        EXPECT_EQ(stringValue(row.control), QStringLiteral(""));
        EXPECT_EQ(log.lines(),
                  QStringList{QStringLiteral("-[%1 setStringValue:]: Unrecognized selector.").arg(row.className)});
        log.clear();
        setStringValue(row.control, QStringLiteral("after"));
        EXPECT_EQ(stringValue(row.control), QStringLiteral("after"));
        EXPECT_TRUE(log.lines().isEmpty());
    }
}

class MaskTest : public ::testing::Test
{
protected:
    QCheckBox first, third;
    QLineEdit field;
    QList<QObject*> list{&first, &field, &third};
};

TEST_F(MaskTest, NonButtonsHoldTheirBitWithoutSettingIt)
{
    first.setChecked(true);
    third.setChecked(true);
    EXPECT_EQ(maskForButtons(list), 5);
    setMaskOfButtons(2, list);
    EXPECT_FALSE(first.isChecked());
    EXPECT_FALSE(third.isChecked());
    setMaskOfButtons(4, list);
    EXPECT_TRUE(third.isChecked());
    EXPECT_EQ(maskForButtons({}), 0);
}

TEST_F(MaskTest, EnabledMasksTouchButtonsOnlyButSetEnabledTouchesEveryControl)
{
    setEnabledMaskOfButtons(0, list);
    EXPECT_FALSE(first.isEnabled());
    EXPECT_TRUE(field.isEnabled());
    EXPECT_EQ(enabledMaskForButtons(list), 0);
    setEnabledOfButtons(false, list);
    EXPECT_FALSE(field.isEnabled());
    setEnabledOfButtons(true, list);
    EXPECT_EQ(enabledMaskForButtons(list), 5);
}

TEST(Controls, BitThirtyOneMakesTheMaskNegative)
{
    std::vector<std::unique_ptr<QCheckBox>> boxes;
    QList<QObject*> list;
    for (int index = 0; index < 33; ++index) {
        boxes.push_back(std::make_unique<QCheckBox>());
        list.append(boxes.back().get());
    }
    boxes.at(31)->setChecked(true);
    boxes.at(32)->setChecked(true); // beyond 32 objects: not counted
    EXPECT_EQ(maskForButtons(list), qint64(INT32_MIN));
    setMaskOfButtons(-1, list);
    EXPECT_TRUE(boxes.at(0)->isChecked());
}

class ReturnHandling : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        text = new QTextEdit;
        token = new QLineEdit;
        other = new QLineEdit;
        button = new QPushButton(QStringLiteral("OK"));
        for (QWidget* widget : {static_cast<QWidget*>(text), static_cast<QWidget*>(token),
                                static_cast<QWidget*>(other), static_cast<QWidget*>(button)})
            layout->addWidget(widget);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        test::activate(window);
        other->setFocus();
    }
    bool handle(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QKeyEvent event(QEvent::KeyPress, key, modifiers);
        return handleReturnEvent(button, &event, text, token);
    }

    QWidget window;
    QTextEdit* text = nullptr;
    QLineEdit* token = nullptr;
    QLineEdit* other = nullptr;
    QPushButton* button = nullptr;
    int clicks = 0;
};

TEST_F(ReturnHandling, ReturnAndEnterClickTheDefaultButton)
{
    EXPECT_TRUE(handle(Qt::Key_Return));
    EXPECT_TRUE(handle(Qt::Key_Enter));
    EXPECT_TRUE(handle(Qt::Key_Return, Qt::AltModifier)) << "Option is no selection or menu modifier";
    EXPECT_EQ(clicks, 3);
    EXPECT_FALSE(handle(Qt::Key_Space));
}

TEST_F(ReturnHandling, ModifiersTextFocusAndCompletionKeepReturn)
{
    EXPECT_FALSE(handle(Qt::Key_Return, Qt::ControlModifier));
    text->setFocus();
    EXPECT_FALSE(handle(Qt::Key_Return));
    token->setFocus();
    EXPECT_FALSE(handle(Qt::Key_Return));
    other->setFocus();
    button->setEnabled(false);
    EXPECT_FALSE(handle(Qt::Key_Return));
    button->setEnabled(true);

    auto* completer = new QCompleter(QStringList{QStringLiteral("alpha"), QStringLiteral("alpine")}, token);
    token->setCompleter(completer);
    completer->setCompletionPrefix(QStringLiteral("al"));
    completer->complete();
    ASSERT_TRUE(completer->popup()->isVisible());
    EXPECT_FALSE(handle(Qt::Key_Return));
    completer->popup()->hide();
    EXPECT_EQ(clicks, 0);
}

class StopWindow : public QWidget
{
    Q_OBJECT
public:
    int stops = 0;
    QObject* lastSender = nullptr;
public slots:
    void stopSearch(QObject* sender)
    {
        ++stops;
        lastSender = sender;
    }
};

TEST(Controls, ButtonsSendTheirActionAlongTheChainOrToTheirTarget)
{
    StopWindow window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton(QStringLiteral("Stop"));
    layout->addWidget(button);
    test::activate(window);
    setActionTarget(button, "stopSearch:", nullptr);
    button->click();
    EXPECT_EQ(window.stops, 1);
    EXPECT_EQ(window.lastSender, button);

    QObject deaf; // answers nothing: the click reaches nobody
    setActionTarget(button, "stopSearch:", &deaf);
    button->click();
    EXPECT_EQ(window.stops, 1);
    EXPECT_EQ(buttonActionSelector(button), QByteArray("stopSearch:"));
}

TEST(PathControls, ExpandTildeAbbreviateHomeAndOpenOnDoubleClick)
{
    ClickablePathControl control;
    control.setPath(QString());
    EXPECT_TRUE(control.path().isNull());
    control.setPath(QStringLiteral("~/Documents/a b.txt"));
    EXPECT_EQ(control.path(), QDir::homePath() + QStringLiteral("/Documents/a b.txt"));
    EXPECT_EQ(control.pathByAbbreviatingWithTildeInPath(), QStringLiteral("~/Documents/a b.txt"));
    EXPECT_EQ(control.text(), QStringLiteral("~/Documents/a b.txt"));

    QList<QUrl> opened;
    const auto previous = ClickablePathControl::setOpener([&opened](const QUrl& url) {
        opened.append(url);
        return true;
    });
    QTest::mouseDClick(&control, Qt::LeftButton);
    ClickablePathControl empty;
    empty.doubleClickAction();
    ClickablePathControl::setOpener(previous);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().toLocalFile(), control.path());
}

TEST(PathControls, PathControlRendersHtmlRegression)
{
    // A name that looks like markup shows its tags: as rich text "<b>x</b>"
    // would be one bold letter as wide as "x".
    PathControl markup;
    markup.setPath(QStringLiteral("/tmp/<b>x</b>"));
    PathControl plain;
    plain.setPath(QStringLiteral("/tmp/x"));
    EXPECT_EQ(markup.textFormat(), Qt::PlainText);
    EXPECT_EQ(markup.text(), QStringLiteral("/tmp/<b>x</b>"));
    EXPECT_GT(markup.sizeHint().width(), plain.sizeHint().width() + 10);
}

TEST(PathControls, ANewlineInANameStaysOnOneLineRegression)
{
    // The status bar's path broke into two lines at a newline in a name; it
    // shows the table's mark, and the path it opens keeps the newline.
    PathControl control;
    control.setPath(QStringLiteral("/tmp/odd\nname"));
    PathControl plain;
    plain.setPath(QStringLiteral("/tmp/oddxname"));
    EXPECT_EQ(control.text(), QStringLiteral("/tmp/odd\u21B5name"));
    EXPECT_EQ(control.path(), QStringLiteral("/tmp/odd\nname"));
    EXPECT_EQ(control.sizeHint().height(), plain.sizeHint().height());
}

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// Regression: a path longer than the status bar was cut at its left edge,
// mid-letter, with no ellipsis. Its middle gives way now, at every width the
// control takes; what fits shows whole.
TEST(PathControls, ALongPathLosesItsMiddleToAnEllipsisRegression)
{
    const QString path = QStringLiteral("/tmp/") + QString(40, QLatin1Char('d')) + QStringLiteral("/")
                         + QString(40, QLatin1Char('e')) + QStringLiteral("/report.pdf");
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    for (const int width : {160, 260, 2000}) {
        SCOPED_TRACE(width);
        PathControl control;
        control.setFont(font);
        control.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        control.setPath(path);
        control.resize(width, 20);
        const QString shown = control.shownText();
        if (control.fontMetrics().horizontalAdvance(path) <= width) {
            EXPECT_EQ(shown, path);
            continue;
        }
        EXPECT_TRUE(shown.startsWith(QStringLiteral("/tmp/"))) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(QStringLiteral(".pdf"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
        EXPECT_LE(control.fontMetrics().horizontalAdvance(shown), width);
        // Drawn as a label showing just that text would be.
        QLabel label;
        label.setFont(font);
        label.setAlignment(control.alignment());
        label.setText(shown);
        label.resize(control.size());
        EXPECT_EQ(render(control), render(label));
    }
}

// What a check box or radio button's indicator shows in its two states.
struct IndicatorPictures
{
    QImage off;
    QImage on;
    QRect indicator;
};

IndicatorPictures drawIndicator(QAbstractButton& button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    const bool radio = qobject_cast<QRadioButton*>(&button) != nullptr;
    IndicatorPictures pictures;
    pictures.indicator = button.style()->subElementRect(
        radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, &button);
    button.setChecked(false);
    pictures.off = button.grab().toImage();
    button.setChecked(true);
    pictures.on = button.grab().toImage();
    return pictures;
}

// The highest contrast of a pixel of `rect` in `picture` against `background`.
double highestContrast(const QImage& picture, const QRect& rect, const std::function<QColor(QPoint)>& background)
{
    double highest = 1.0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            highest = std::max(highest, contrastRatio(picture.pixelColor(x, y), background({x, y})));
    return highest;
}

// Regression: on a dark window a check box's outline was darker than the
// window and its box barely lighter (2:1), and a chosen radio button was a
// small grey dot; on a light one the outline was 2:1. Drawn with readable
// indicators, in Fusion's light palette, Fusion turned dark and a desktop's
// dark palette: the indicator stands out 3:1 from the window checked or
// not, and the mark 3:1 from the box under it, over a fair part of it.
TEST(ReadableIndicators, StandOutThreeToOneInLightAndDark)
{
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette desktopDark(Qt::white, QColor(40, 40, 40));
    desktopDark.setColor(QPalette::Base, QColor(30, 30, 30));
    const struct {
        const char* name;
        QPalette palette;
    } palettes[] = {{"light", fusion->standardPalette()}, {"dark", darkFusionPalette()}, {"desktop dark", desktopDark}};
    for (const auto& p : palettes) {
        SCOPED_TRACE(p.name);
        QWidget window;
        window.setPalette(p.palette);
        auto* check = new QCheckBox(QStringLiteral("Contents"), &window);
        auto* radio = new QRadioButton(QStringLiteral("Phrase"), &window);
        radio->setAutoExclusive(false);
        radio->move(0, 40);
        useReadableIndicators(&window);
        window.resize(200, 80);
        window.show();
        const QColor background = p.palette.color(QPalette::Window);
        for (QAbstractButton* button : {static_cast<QAbstractButton*>(check), static_cast<QAbstractButton*>(radio)}) {
            SCOPED_TRACE(button->text().toStdString());
            const IndicatorPictures pictures = drawIndicator(*button);
            ASSERT_FALSE(pictures.indicator.isEmpty());
            const auto onWindow = [&background](QPoint) { return background; };
            EXPECT_GE(highestContrast(pictures.off, pictures.indicator, onWindow), 3.0) << "unchecked";
            EXPECT_GE(highestContrast(pictures.on, pictures.indicator, onWindow), 3.0) << "checked";
            const auto under = [&pictures](QPoint at) { return pictures.off.pixelColor(at); };
            EXPECT_GE(highestContrast(pictures.on, pictures.indicator, under), 3.0) << "the mark on its box";
            int marked = 0;
            for (int y = pictures.indicator.top(); y <= pictures.indicator.bottom(); ++y)
                for (int x = pictures.indicator.left(); x <= pictures.indicator.right(); ++x)
                    marked += contrastRatio(pictures.on.pixelColor(x, y), under({x, y})) >= 3.0;
            const int area = pictures.indicator.width() * pictures.indicator.height();
            EXPECT_GE(marked * 10, area) << marked << " of " << area << " pixels marked";
        }
    }
}

TEST(ReadableIndicators, OnlyCheckBoxesAndRadioButtonsTakeTheStyle)
{
    QWidget window;
    auto* check = new QCheckBox(&window);
    auto* push = new QPushButton(&window);
    QStyle* plain = check->style();
    useReadableIndicators(&window);
    EXPECT_NE(check->style(), plain);
    EXPECT_EQ(push->style(), plain);
    QRadioButton alone;
    useReadableIndicators(&alone);
    EXPECT_EQ(alone.style(), check->style()) << "the button itself, one style for all";
    useReadableIndicators(nullptr);
}

TEST(BackgroundViews, FillWithTheirColourOrBlackOrNothing)
{
    BackgroundView plain;
    plain.resize(20, 20);
    FullScreenBackgroundView full;
    full.resize(20, 20);
    EXPECT_EQ(render(plain).pixelColor(10, 10), QColor(Qt::magenta)) << "no colour: nothing drawn";
    EXPECT_EQ(render(full).pixelColor(10, 10), QColor(Qt::black));
    plain.setBackgroundColor(Qt::darkCyan);
    full.setBackgroundColor(Qt::yellow);
    EXPECT_EQ(render(plain).pixelColor(10, 10), QColor(Qt::darkCyan));
    EXPECT_EQ(render(full).pixelColor(10, 10), QColor(Qt::yellow));
}

} // namespace
} // namespace sorvant

#include "controls_test.moc"
