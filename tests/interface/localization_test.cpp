#include "interface/localization.h"

#include "interface/action_router.h"
#include "localization_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace sorvant {
namespace {

constexpr char kGerman[] = R"(/* sample */
"Sample" = "Beispiel";
"File" = "Ablage";
"Open…" = "Öffnen…";
"Opens a file" = "Öffnet eine Datei";
"Special Characters…" = "Sonderzeichen…";
"Recent" = "Zuletzt";
"Clear" = "Leeren";
"Name:" = "Name:";
"Search" = "Suchen";
"Type here" = "Hier tippen";
"Options" = "Optionen";
"Case sensitive" = "Groß/klein";
"Contents" = "Inhalt";
"Names" = "Namen";
"General" = "Allgemein";
"Kind" = "Art";
"Results" = "Ergebnisse";
"Find" = "Finden";
"stringValue" = "Zeichenwert";
"Hello" = "Hallo";
"CMD_o" = "CMD_OPT_o";
"CMD_SHIFT_n" = "CMD_SHIFT_n";
)";

// A window holding one of each kind of string the walk knows.
struct SampleWindow
{
    QMainWindow window;
    QMenu* file = nullptr;
    QAction* open = nullptr;
    QAction* palette = nullptr;
    QAction* clear = nullptr;
    QAction* unknown = nullptr;
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    QGroupBox* box = nullptr;
    QCheckBox* check = nullptr;
    QComboBox* combo = nullptr;
    QTabWidget* tabs = nullptr;
    QTableWidget* table = nullptr;
    QPlainTextEdit* placeholderText = nullptr;
    QPlainTextEdit* text = nullptr;
    QToolBar* toolBar = nullptr;
    QTabBar* segments = nullptr;

    SampleWindow()
    {
        window.setWindowTitle("Sample");
        file = window.menuBar()->addMenu("File");
        open = file->addAction("Open…");
        open->setToolTip("Opens a file");
        open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
        unknown = file->addAction("Untranslated");
        unknown->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        palette = file->addAction("Special Characters…");
        bindAction(palette, "orderFrontCharacterPalette:");
        QMenu* recent = file->addMenu("Recent");
        clear = recent->addAction("Clear");

        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        label = new QLabel("Name:");
        edit = new QLineEdit("Search");
        edit->setPlaceholderText("Type here");
        box = new QGroupBox("Options");
        check = new QCheckBox("Case sensitive", box);
        check->setToolTip("Find");
        combo = new QComboBox;
        combo->addItems({"Contents", "Names"});
        tabs = new QTabWidget;
        auto* page = new QLabel("Hello");
        tabs->addTab(page, "General");
        table = new QTableWidget(1, 2);
        table->setHorizontalHeaderLabels({"Kind", "Results"});
        table->setAccessibleName("Results");
        placeholderText = new QPlainTextEdit("stringValue");
        text = new QPlainTextEdit("Hello");
        segments = new QTabBar;
        segments->addTab("Names");
        segments->setTabToolTip(0, "Find");
        for (QWidget* w : std::initializer_list<QWidget*>{label, edit, box, combo, tabs, table, placeholderText, text, segments})
            layout->addWidget(w);
        window.setCentralWidget(central);
        toolBar = window.addToolBar("Toolbar");
        toolBar->addAction("Find")->setToolTip("Search");
    }
};

class LocalizationTest : public test::LocalizedBundleTest
{
protected:
    void SetUp() override
    {
        LocalizedBundleTest::SetUp();
        writeTable("de", "Localizable", kGerman);
        writeTable("de", "Menus", "\"Clear\" = \"Löschen\"; \"File\" = \"Datei aus Menus\";");
    }
};

TEST_F(LocalizationTest, GermanReplacesEveryStringOfWindowAndMenu)
{
    setLanguage("de");
    SampleWindow s;
    localize(&s.window);
    EXPECT_EQ(s.window.windowTitle(), "Beispiel");
    EXPECT_EQ(s.file->title(), "Ablage");
    EXPECT_EQ(s.open->text(), "Öffnen…");
    EXPECT_EQ(s.open->toolTip(), "Öffnet eine Datei");
    EXPECT_EQ(s.unknown->text(), "Untranslated");
    EXPECT_EQ(s.clear->text(), "Leeren");
    EXPECT_EQ(s.label->text(), "Name:");
    EXPECT_EQ(s.edit->text(), "Suchen");
    EXPECT_EQ(s.edit->placeholderText(), "Hier tippen");
    EXPECT_EQ(s.box->title(), "Optionen");
    EXPECT_EQ(s.check->text(), "Groß/klein");
    EXPECT_EQ(s.check->toolTip(), "Finden");
    EXPECT_EQ(s.combo->itemText(0), "Inhalt");
    EXPECT_EQ(s.combo->itemText(1), "Namen");
    EXPECT_EQ(s.tabs->tabText(0), "Allgemein");
    EXPECT_EQ(qobject_cast<QLabel*>(s.tabs->widget(0))->text(), "Hallo");
    EXPECT_EQ(s.table->horizontalHeaderItem(0)->text(), "Art");
    EXPECT_EQ(s.table->horizontalHeaderItem(1)->text(), "Ergebnisse");
    EXPECT_EQ(s.table->accessibleName(), "Ergebnisse");
    EXPECT_EQ(s.text->toPlainText(), "Hallo");
    EXPECT_EQ(s.segments->tabText(0), "Namen");
    EXPECT_EQ(s.segments->tabToolTip(0), "Finden");
    EXPECT_EQ(s.toolBar->actions().front()->text(), "Finden");
    EXPECT_EQ(s.toolBar->actions().front()->toolTip(), "Suchen");
    // The character-palette item keeps its text.
    EXPECT_EQ(s.palette->text(), "Special Characters…");
    // A text view holding the placeholder name is left alone.
    EXPECT_EQ(s.placeholderText->toPlainText(), "stringValue");
}

TEST_F(LocalizationTest, EnglishLeavesEveryStringAndUnsetToolTipsFollowText)
{
    SampleWindow s;
    localize(&s.window);
    EXPECT_EQ(s.window.windowTitle(), "Sample");
    EXPECT_EQ(s.open->text(), "Open…");
    EXPECT_EQ(s.clear->toolTip(), "Clear");
    setLanguage("de");
    localize(s.clear);
    // A tool tip that was never set still follows the translated text.
    s.clear->setText("Other");
    EXPECT_EQ(s.clear->toolTip(), "Other");
}

TEST_F(LocalizationTest, NamedTableForItemsButMainBundleForMenuTitle)
{
    setLanguage("de");
    SampleWindow s;
    // Another bundle with the same folders but its own table.
    test::TempTree other;
    other.writeFile("de.lproj/Menus.strings", "\"Clear\" = \"Entfernen\"; \"Recent\" = \"Kürzlich\";");
    const Bundle otherBundle(other.path(), {});
    QMenu* recent = s.clear->menu() ? s.clear->menu() : qobject_cast<QMenu*>(s.clear->parent());
    ASSERT_NE(recent, nullptr);
    localize(recent, {"Menus", &otherBundle});
    EXPECT_EQ(s.clear->text(), "Entfernen");
    // The title is looked up in the main bundle's "Menus" table, which has none.
    EXPECT_EQ(recent->title(), "Recent");
    localize(s.file, {"Menus", nullptr});
    EXPECT_EQ(s.file->title(), "Datei aus Menus");
}

TEST_F(LocalizationTest, KeyEquivalentsAreRewrittenWholeOrLeftAlone)
{
    setLanguage("de");
    SampleWindow s;
    s.clear->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    localizeKeyEquivalents(s.file);
    EXPECT_EQ(s.open->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
    EXPECT_EQ(s.clear->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O)); // submenus too
    // An entry mapping the key to itself changes nothing.
    EXPECT_EQ(s.unknown->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    EXPECT_TRUE(s.palette->shortcut().isEmpty());
}

TEST_F(LocalizationTest, ReplaceStringReachesPaletteItemButNotAccessibleTexts)
{
    SampleWindow s;
    replaceString(&s.window, "e", "E");
    EXPECT_EQ(s.window.windowTitle(), "SamplE");
    EXPECT_EQ(s.palette->text(), "SpEcial CharactErs…");
    EXPECT_EQ(s.box->title(), "Options");
    EXPECT_EQ(s.check->text(), "CasE sEnsitivE");
    EXPECT_EQ(s.table->accessibleName(), "Results");
    EXPECT_EQ(s.table->horizontalHeaderItem(1)->text(), "REsults");
    replaceString(&s.window, "E", QString());
    EXPECT_EQ(s.window.windowTitle(), "SamplE");
}

TEST_F(LocalizationTest, QtTrReadsTheSameTables)
{
    setLanguage("de");
    StringsTableTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    EXPECT_EQ(QCoreApplication::translate("Window", "File"), "Ablage");
    EXPECT_EQ(QCoreApplication::translate("Window", "Not there"), "Not there");
    QCoreApplication::removeTranslator(&translator);
}

} // namespace
} // namespace sorvant
