#include "interface/appearance.h"
#include "interface/fonts.h"
#include "interface/image_representations.h"
#include "interface/responder_hooks.h"
#include "interface/symbol_toolbar.h"
#include "interface/toolbar_customization.h"
#include "interface/toolbar_items.h"
#include "interface/version_gates.h"

#include "tests/interface/support.h"
#include "tests/interface/widget_helpers.h"

#include <QComboBox>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace sorvant {
namespace {

// Answers "preview:"; validates only when asked to.
class Answering : public QObject
{
    Q_OBJECT
public:
    int previews = 0;
public slots:
    void preview(QObject*) { ++previews; }
};

class Validating : public Answering, public ToolbarItemValidation
{
    Q_OBJECT
public:
    bool answer = false;
    QAction* asked = nullptr;
    bool validateToolbarItem(QAction* item) override
    {
        asked = item;
        return answer;
    }
};

enum class Receiver { None, Silent, SaysYes, SaysNo };

const char* receiverName(Receiver receiver)
{
    switch (receiver) {
    case Receiver::None:
        return "None";
    case Receiver::Silent:
        return "Silent";
    case Receiver::SaysYes:
        return "SaysYes";
    case Receiver::SaysNo:
        break;
    }
    return "SaysNo";
}
void PrintTo(Receiver receiver, std::ostream* out) { *out << receiverName(receiver); }

Image somePicture()
{
    QImage pixels(16, 16, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::red);
    return Image::withBitmap(pixels);
}

class ToolbarValidation : public ::testing::TestWithParam<Receiver> {};

TEST_P(ToolbarValidation, EachItemClassFollowsItsTable)
{
    const Receiver kind = GetParam();
    Answering silent;
    Validating validating;
    validating.answer = kind == Receiver::SaysYes;
    QObject nobody;
    QObject* target = kind == Receiver::None ? &nobody : kind == Receiver::Silent ? &silent : &validating;

    ControlToolbarItem control(QStringLiteral("control"));
    control.setControl(new QPushButton(QStringLiteral("Go")));
    ValidatingMenuToolbarItem menuItem(QStringLiteral("menu"));
    std::unique_ptr<ValidatingToolbarItemGroup> group(ValidatingToolbarItemGroup::groupWithItemIdentifier(
        QStringLiteral("group"), QList<Image>{somePicture(), somePicture()},
        ValidatingToolbarItemGroup::SelectionMode::Momentary, {QStringLiteral("A"), QStringLiteral("B")}, {1, 2},
        nullptr, {}));
    ASSERT_TRUE(group);
    for (ToolbarItem* item : QList<ToolbarItem*>{&control, &menuItem, group.get()}) {
        SCOPED_TRACE(item->itemIdentifier().toStdString());
        item->setAction("preview:", target);
        item->setEnabled(kind != Receiver::SaysYes && kind != Receiver::Silent);
        item->validate();
        const bool expected = kind == Receiver::SaysYes || kind == Receiver::Silent;
        EXPECT_EQ(item->isEnabled(), expected);
        if (item->view()) {
            EXPECT_EQ(item->view()->isEnabled(), expected);
        }
        if (kind == Receiver::SaysYes || kind == Receiver::SaysNo) {
            EXPECT_EQ(validating.asked, item);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Receivers, ToolbarValidation,
                         ::testing::Values(Receiver::None, Receiver::Silent, Receiver::SaysYes, Receiver::SaysNo),
                         [](const ::testing::TestParamInfo<Receiver>& row) {
                             return std::string(receiverName(row.param));
                         });

TEST(ToolbarItems, GroupSegmentsMirrorIntoTheControl)
{
    Answering target;
    std::unique_ptr<ValidatingToolbarItemGroup> group(ValidatingToolbarItemGroup::groupWithItemIdentifier(
        QStringLiteral("view"), QList<Image>{somePicture(), somePicture()},
        ValidatingToolbarItemGroup::SelectionMode::SelectOne, {QStringLiteral("List"), QStringLiteral("Icons")},
        {10, 20}, &target, "preview:"));
    ASSERT_TRUE(group);
    SegmentedControl* control = group->segmentedControl();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(group->segmentForTag(20), 1);
    EXPECT_EQ(group->segmentForTag(30), -1);
    EXPECT_EQ(group->selectedTag(), 0);
    control->setSelectedSegment(1);
    EXPECT_EQ(group->selectedTag(), 20);
    EXPECT_EQ(group->subitems()[0]->toolTip(), QStringLiteral("List"));

    group->setEnabledForTag(false, 20);
    EXPECT_FALSE(group->subitems()[1]->isEnabled());
    EXPECT_FALSE(control->isEnabledForSegment(1));
    // Already disabled: the control is left untouched.
    control->setEnabled(true, 1);
    group->setEnabledForSegment(false, 1);
    EXPECT_TRUE(control->isEnabledForSegment(1));
    group->setToolTipForTag(QStringLiteral("Grid"), 10);
    EXPECT_EQ(control->toolTipForSegment(0), QStringLiteral("Grid"));

    // A click on a segment sends the subitem's action.
    control->show();
    QTest::mouseClick(control, Qt::LeftButton, {}, control->rectForSegment(0).center());
    EXPECT_EQ(target.previews, 1);

    // Symbol names: an unknown one gives no group.
    const auto* configuration = SymbolToolbar::symbolConfigurationForDisplayMode(SymbolToolbar::IconOnlyMode);
    std::unique_ptr<ValidatingToolbarItemGroup> symbols(ValidatingToolbarItemGroup::groupWithSymbolNames(
        QStringLiteral("symbols"), {QStringLiteral("gear")}, configuration,
        ValidatingToolbarItemGroup::SelectionMode::Momentary, {QStringLiteral("Settings")}, {3}, nullptr, {}));
    ASSERT_TRUE(symbols);
    EXPECT_EQ(symbols->segmentForTag(3), 0);
    EXPECT_EQ(ValidatingToolbarItemGroup::groupWithSymbolNames(
                  QStringLiteral("symbols"), {QStringLiteral("no.such.symbol.anywhere")}, configuration,
                  ValidatingToolbarItemGroup::SelectionMode::Momentary, {QStringLiteral("x")}, {3}, nullptr, {}),
              nullptr);

    // Mismatched counts or a missing image give no group.
    EXPECT_EQ(ValidatingToolbarItemGroup::groupWithItemIdentifier(QStringLiteral("x"), QList<Image>{somePicture()},
                                                                  ValidatingToolbarItemGroup::SelectionMode::SelectOne,
                                                                  {}, {1}, nullptr, {}),
              nullptr);
    EXPECT_EQ(ValidatingToolbarItemGroup::groupWithItemIdentifier(QStringLiteral("x"), QList<Image>{Image()},
                                                                  ValidatingToolbarItemGroup::SelectionMode::SelectOne,
                                                                  {QStringLiteral("a")}, {1}, nullptr, {}),
              nullptr);
}

TEST(ToolbarItems, PlainItemSegmentsAndSwitchToIconMode)
{
    SwitchableToolbarItem item(QStringLiteral("plain"));
    const Image picture = somePicture();
    item.setImageForSegment(picture, 0);
    EXPECT_TRUE(item.imageForSegment(0));
    EXPECT_FALSE(item.imageForSegment(1));
    EXPECT_FALSE(item.imageForSegment(-1));
    item.setTag(4);
    EXPECT_EQ(item.selectedTag(), 4);
    EXPECT_EQ(item.segmentForTag(4), -1);
    item.performSwitchToIconMode();
    EXPECT_TRUE(item.didSwitchToIconMode());
    item.resetSwitchToIconMode();
    EXPECT_FALSE(item.didSwitchToIconMode());

    // A segmented view performs the action instead of switching.
    Answering target;
    SwitchableToolbarItem segmented(QStringLiteral("segmented"));
    segmented.setView(new SegmentedControl);
    segmented.setAction("preview:", &target);
    segmented.performSwitchToIconMode();
    EXPECT_EQ(target.previews, 1);
    EXPECT_FALSE(segmented.didSwitchToIconMode());
}

TEST(ToolbarItems, MenuGetsOneDummyFirstItem)
{
    ValidatingMenuToolbarItem item(QStringLiteral("share"));
    QMenu menu;
    item.setSubmenu(&menu);
    item.menuNeedsUpdate(&menu);
    EXPECT_TRUE(menu.actions().isEmpty());
    int refreshed = 0;
    item.setMenuUpdater([&refreshed](QMenu* m) {
        if (m->actions().isEmpty())
            m->addAction(QStringLiteral("Mail"));
        ++refreshed;
    });
    item.menuNeedsUpdate(&menu);
    item.menuNeedsUpdate(&menu);
    EXPECT_EQ(refreshed, 2);
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_TRUE(ValidatingMenuToolbarItem::isDummyItem(menu.actions().first()));
    EXPECT_EQ(menu.actions().last()->text(), QStringLiteral("Mail"));

    // In a toolbar a click opens the menu, as the item has no action.
    QToolBar toolbar;
    toolbar.addAction(&item);
    auto* button = qobject_cast<QToolButton*>(toolbar.widgetForAction(&item));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->popupMode(), QToolButton::InstantPopup);
    toolbar.setToolButtonStyle(Qt::ToolButtonTextOnly);
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextOnly);

    // With an action of its own the item inserts nothing.
    QMenu other;
    other.addAction(QStringLiteral("Print"));
    Answering target;
    item.setAction("preview:", &target);
    item.menuNeedsUpdate(&other);
    EXPECT_EQ(other.actions().size(), 1);
}

// --- the toolbar ------------------------------------------------------------------------------

class Items : public ToolbarDelegate
{
public:
    QStringList toolbarAllowedItemIdentifiers() const override
    {
        return {QStringLiteral("find"), QStringLiteral("preview"), QStringLiteral("share")};
    }
    QStringList toolbarDefaultItemIdentifiers() const override
    {
        return {QStringLiteral("find"), kToolbarSpaceIdentifier, QStringLiteral("preview")};
    }
    ToolbarItem* toolbarItemForItemIdentifier(const QString& identifier) override
    {
        auto* item = new ToolbarItem(identifier);
        item->setLabel(identifier.at(0).toUpper() + identifier.mid(1));
        QImage pixels(24, 24, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(Qt::transparent);
        QPainter painter(&pixels);
        painter.setBrush(QColor(40, 90, 200));
        painter.drawEllipse(3, 3, 18, 18);
        painter.end();
        item->setImage(Image::withBitmap(pixels));
        item->setAction("preview:", &target);
        return item;
    }
    Answering target;
};

TEST(SymbolToolbar, ModesAndSymbolConfigurations)
{
    EXPECT_FALSE(SymbolToolbar::allowsSizeMode(2));
    EXPECT_TRUE(SymbolToolbar::allowsSizeMode(1));
    const auto* iconOnly = SymbolToolbar::symbolConfigurationForDisplayMode(SymbolToolbar::IconOnlyMode);
    ASSERT_NE(iconOnly, nullptr);
    EXPECT_EQ(iconOnly->scale, 3);
    EXPECT_EQ(SymbolToolbar::symbolConfigurationForDisplayMode(SymbolToolbar::IconOnlyMode), iconOnly);
    const auto* other = SymbolToolbar::symbolConfigurationForDisplayMode(SymbolToolbar::LabelOnlyMode);
    EXPECT_EQ(SymbolToolbar::symbolConfigurationForDisplayMode(SymbolToolbar::DefaultMode), other);
    EXPECT_NE(other, iconOnly);
    EXPECT_EQ(other->weight, QFont::Medium);
    EXPECT_TRUE(SymbolToolbar::isToolbarAction("runToolbarCustomizationPalette:"));
    EXPECT_FALSE(SymbolToolbar::isToolbarAction("preview:"));
}

TEST(SymbolToolbar, ConfigurationIsSavedAndReadBack)
{
    test::TempTree tree;
    UserDefaults defaults(tree.filePath(QStringLiteral("defaults.plist")));
    Items items;
    SymbolToolbar toolbar(QStringLiteral("FindWindow"));
    toolbar.setDelegate(&items);
    EXPECT_FALSE(toolbar.existsConfiguration(defaults));
    EXPECT_FALSE(SymbolToolbar::existsConfigurationForIdentifier(QString(), defaults));
    toolbar.restoreConfiguration(defaults);
    EXPECT_EQ(toolbar.itemIdentifiers(), items.toolbarDefaultItemIdentifiers());

    // Unknown identifiers and duplicates are dropped.
    toolbar.setItemIdentifiers({QStringLiteral("share"), QStringLiteral("bogus"), kToolbarSeparatorIdentifier,
                                QStringLiteral("find"), QStringLiteral("share")});
    toolbar.setDisplayMode(SymbolToolbar::LabelOnlyMode);
    toolbar.saveConfiguration(defaults);
    EXPECT_TRUE(toolbar.existsConfiguration(defaults));

    UserDefaults reread(defaults.path());
    SymbolToolbar restored(QStringLiteral("FindWindow"));
    restored.setDelegate(&items);
    restored.restoreConfiguration(reread);
    EXPECT_EQ(restored.itemIdentifiers(),
              (QStringList{QStringLiteral("share"), kToolbarSeparatorIdentifier, QStringLiteral("find")}));
    EXPECT_EQ(restored.displayMode(), SymbolToolbar::LabelOnlyMode);
    EXPECT_EQ(restored.toolButtonStyle(), Qt::ToolButtonTextOnly);
    ASSERT_NE(restored.itemWithIdentifier(QStringLiteral("find")), nullptr);
    EXPECT_EQ(restored.itemWithIdentifier(QStringLiteral("preview")), nullptr);
    EXPECT_EQ(restored.visibleItemWithIdentifier(QStringLiteral("find")), nullptr); // not shown
}

TEST(SymbolToolbar, CustomizeDialogSavesWhatWasChosen)
{
    test::TempTree tree;
    UserDefaults defaults(tree.filePath(QStringLiteral("defaults.plist")));
    Items items;
    SymbolToolbar toolbar(QStringLiteral("FindWindow"));
    toolbar.setDelegate(&items);
    toolbar.restoreConfiguration(defaults);

    ToolbarCustomizationDialog dialog(&toolbar, defaults);
    EXPECT_EQ(dialog.chosenIdentifiers(), items.toolbarDefaultItemIdentifiers());
    EXPECT_EQ(dialog.allowedList()->count(), 5); // three items, separator, space
    EXPECT_EQ(dialog.currentList()->item(0)->text(), QStringLiteral("Find"));
    const auto pick = [&dialog](const QString& identifier) {
        for (int i = 0; i < dialog.allowedList()->count(); ++i)
            if (dialog.allowedList()->item(i)->data(Qt::UserRole).toString() == identifier)
                dialog.allowedList()->setCurrentRow(i);
        dialog.addSelected();
    };
    dialog.currentList()->setCurrentRow(-1);
    pick(QStringLiteral("share"));
    pick(QStringLiteral("share")); // not twice
    pick(kToolbarSeparatorIdentifier);
    pick(kToolbarSeparatorIdentifier); // separators repeat
    dialog.currentList()->setCurrentRow(0);
    dialog.removeSelected(); // "find"
    // Dragging the last entry to the top.
    QAbstractItemModel* model = dialog.currentList()->model();
    ASSERT_TRUE(model->moveRow({}, model->rowCount() - 1, {}, 0));
    dialog.displayModeBox()->setCurrentIndex(dialog.displayModeBox()->findData(SymbolToolbar::IconOnlyMode));
    const QStringList chosen{kToolbarSeparatorIdentifier, kToolbarSpaceIdentifier, QStringLiteral("preview"),
                             QStringLiteral("share"), kToolbarSeparatorIdentifier};
    EXPECT_EQ(dialog.chosenIdentifiers(), chosen);
    dialog.accept();
    EXPECT_EQ(toolbar.itemIdentifiers(), chosen);

    UserDefaults reread(defaults.path());
    SymbolToolbar restored(QStringLiteral("FindWindow"));
    restored.setDelegate(&items);
    restored.restoreConfiguration(reread);
    EXPECT_EQ(restored.itemIdentifiers(), chosen);
    EXPECT_EQ(restored.displayMode(), SymbolToolbar::IconOnlyMode);

    ToolbarCustomizationDialog again(&restored, reread);
    again.useDefaultSet();
    EXPECT_EQ(again.chosenIdentifiers(), items.toolbarDefaultItemIdentifiers());
    again.reject();
    EXPECT_EQ(restored.itemIdentifiers(), chosen);
}

TEST(SymbolToolbar, ValidatesAfterAClickAndScreenshotsEachMode)
{
    Items items;
    QMainWindow window;
    window.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    auto* toolbar = new SymbolToolbar(QStringLiteral("FindWindow"));
    toolbar->setDelegate(&items);
    window.addToolBar(toolbar);
    window.setCentralWidget(new QWidget);
    window.resize(360, 140);
    toolbar->setItemIdentifiers(items.toolbarDefaultItemIdentifiers());
    test::activate(window);
    ToolbarItem* find = toolbar->itemWithIdentifier(QStringLiteral("find"));
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isEnabled());
    EXPECT_EQ(toolbar->visibleItemWithIdentifier(QStringLiteral("find")), find);

    // A target that goes away disables the item at the next validation,
    // which a click anywhere schedules.
    auto* gone = new Answering;
    find->setAction("preview:", gone);
    delete gone;
    QTest::mouseClick(window.centralWidget(), Qt::LeftButton);
    QTRY_VERIFY(!find->isEnabled());

    QList<QImage> shots;
    for (auto mode : {SymbolToolbar::IconAndLabelMode, SymbolToolbar::IconOnlyMode, SymbolToolbar::LabelOnlyMode}) {
        toolbar->setDisplayMode(mode);
        QApplication::processEvents();
        shots << toolbar->grab().toImage();
    }
    // Icon and label is the tallest; label only the shortest.
    EXPECT_GT(shots[0].height(), shots[1].height());
    EXPECT_GT(shots[0].height(), shots[2].height());
    QImage sheet(shots[0].width(), shots[0].height() * 3, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < 3; ++i)
        painter.drawImage(0, i * shots[0].height(), shots[i]);
    painter.end();
    ASSERT_TRUE(sheet.save(QStringLiteral(QT_TESTCASE_BUILDDIR "/toolbar-modes.png")));

    // Menus from an item open under its button, in the small font when the
    // toolbar shows labels only.
    ToolbarItem* preview = toolbar->itemWithIdentifier(QStringLiteral("preview"));
    const QWidget* button = toolbar->widgetForAction(preview);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(locationForPopUpMenu(preview), button->mapToGlobal(QPoint(0, button->height() + 2)));
    EXPECT_EQ(locationForPopover(preview).x(),
              button->mapToGlobal(QPoint(int(std::rint(button->width() / 2.0)), 0)).x());
    EXPECT_EQ(popUpMenuFont(preview), smallSystemFont());
    toolbar->setDisplayMode(SymbolToolbar::IconOnlyMode);
    EXPECT_FALSE(popUpMenuFont(preview).has_value());
    EXPECT_FALSE(popUpMenuFont(toolbar).has_value());
}

// The lightness of the button's pixel that stands out most from its
// background (its top-left corner) and whether any pixel carries colour.
struct Ink
{
    int lightness = -1;
    bool coloured = false;
};

Ink inkOf(QWidget* button)
{
    const QImage shot = button->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const int background = QColor(shot.pixel(0, 0)).lightness();
    Ink ink;
    int contrast = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor pixel(shot.pixel(x, y));
            ink.coloured = ink.coloured || std::abs(pixel.red() - pixel.blue()) > 60;
            if (std::abs(pixel.lightness() - background) > contrast) {
                contrast = std::abs(pixel.lightness() - background);
                ink.lightness = pixel.lightness();
            }
        }
    }
    return ink;
}

// A popover's x was the width halved and cut: 15 for a 31-point sender.
TEST(SymbolToolbar, PopoverXRoundsHalvesToEven)
{
    QWidget window;
    auto* sender = new QWidget(&window);
    for (const auto& [width, x] : {std::pair{31, 16}, {29, 14}, {30, 15}}) {
        SCOPED_TRACE(width);
        sender->setGeometry(10, 20, width, 22);
        EXPECT_EQ(locationForPopover(sender), sender->mapToGlobal(QPoint(x, 24)));
    }
}

TEST(SymbolToolbar, GlyphIconsTakeThePalettesTextColourInEachAppearance)
{
    ensureImageResources();
    QMainWindow window;
    auto* toolbar = new SymbolToolbar(QStringLiteral("Glyphs"));
    toolbar->setDisplayMode(SymbolToolbar::IconOnlyMode);
    window.addToolBar(toolbar);
    window.setCentralWidget(new QWidget);
    auto* enabled = new ToolbarItem(QStringLiteral("gear"), toolbar);
    enabled->setIcon(QIcon(QStringLiteral(":/images/symbols/gear.svg")));
    auto* disabled = new ToolbarItem(QStringLiteral("share"), toolbar);
    disabled->setIcon(QIcon(QStringLiteral(":/images/symbols/square.and.arrow.up.svg")));
    disabled->setEnabled(false);
    auto* picture = new ToolbarItem(QStringLiteral("picture"), toolbar);
    picture->setIcon(QIcon(QStringLiteral(":/images/Quirrel 3.svg")));
    auto* image = new ToolbarItem(QStringLiteral("image"), toolbar);
    Image templateImage = imageWithSymbolName(QStringLiteral("qx.eye"), 24.0);
    ASSERT_TRUE(templateImage);
    templateImage = templateImage.copy();
    templateImage.setTemplate(true);
    image->setImage(templateImage);
    toolbar->addActions({enabled, disabled, picture, image});
    test::activate(window);
    EXPECT_TRUE(hasTemplateIcon(enabled));
    EXPECT_TRUE(hasTemplateIcon(image)) << "a template image";
    EXPECT_FALSE(hasTemplateIcon(picture)) << "a picture in colour keeps its colours";

    // Light, dark, and light again: the icons follow each switch.
    for (const bool dark : {false, true, false}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        test::setDarkPalette(dark);
        QApplication::processEvents();
        const int background = toolbar->palette().color(QPalette::Button).lightness();
        const Ink on = inkOf(toolbar->widgetForAction(enabled));
        const Ink off = inkOf(toolbar->widgetForAction(disabled));
        const Ink eye = inkOf(toolbar->widgetForAction(image));
        const int text = QApplication::palette().color(QPalette::ButtonText).lightness();
        EXPECT_NEAR(on.lightness, text, 12) << "the enabled glyph in the button text colour";
        EXPECT_NEAR(eye.lightness, text, 12);
        EXPECT_GT(std::abs(on.lightness - background), std::abs(off.lightness - background))
            << "the disabled glyph is dimmer than the enabled one";
        EXPECT_GT(std::abs(off.lightness - background), 25) << "and still visible";
        EXPECT_FALSE(on.coloured);
        EXPECT_TRUE(inkOf(toolbar->widgetForAction(picture)).coloured);
    }
    test::setDarkPalette(false);
    // Another glyph set later is made a template too.
    enabled->setIcon(QIcon(QStringLiteral(":/images/symbols/trash.svg")));
    EXPECT_TRUE(hasTemplateIcon(enabled));
}

} // namespace
} // namespace sorvant

#include "toolbar_test.moc"
