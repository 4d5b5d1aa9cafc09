// Every text the interface shows has an entry in every shipped language's
// table: the texts the code looks up (tr, translate, the bundle's lookups)
// found by reading the sources, and the texts of the built search window,
// its menus and the toolbar's customization dialog found by walking them.

#include "app/application_delegate.h"
#include "foundation/number_formatting.h"
#include "interface/localization.h"
#include "interface/strings_file.h"
#include "interface/symbol_toolbar.h"
#include "interface/toolbar_customization.h"
#include "system/bundle.h"
#include "tests/app/app_test_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTableView>
#include <QToolButton>

#include <algorithm>
#include <map>
#include <set>

namespace sorvant::test {
namespace {

// A text and the table it is looked up in.
using Entry = std::pair<QString, QString>;

QString unescaped(QString text)
{
    text.replace(QLatin1String("\\\""), QLatin1String("\""));
    text.replace(QLatin1String("\\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\\\\"), QLatin1String("\\"));
    return text;
}

// The literal texts handed to the lookups in the sources of the interface,
// the application and the lower libraries that show text. A table named by a variable is found where the
// file sets it from a literal.
std::set<Entry> lookedUpTexts()
{
    const QString literal = QStringLiteral(R"lit("((?:[^"\\]|\\.)*)")lit");
    const QString wrapped = QStringLiteral(R"(QStringLiteral\(\s*)") + literal + QStringLiteral(R"(\s*\))");
    const struct
    {
        QRegularExpression pattern;
        QString table;
    } lookups[] = {
        {QRegularExpression(QStringLiteral(R"(\btr\(\s*)") + literal), QStringLiteral("Localizable")},
        // A context named for a Qt class ("QWidgetTextControl") is looked up in
        // Qt's own catalogue, which the application loads beside ours.
        {QRegularExpression(QStringLiteral(R"(\btranslate\(\s*"(?!Q[A-Z])[^"]*"\s*,\s*)") + literal),
         QStringLiteral("Localizable")},
        {QRegularExpression(QStringLiteral(R"(\blocalizedToolkitString\(\s*)") + wrapped), QStringLiteral("Bundle")},
        // The lower libraries' texts (size units, pattern errors).
        {QRegularExpression(QStringLiteral(R"(\blocalizedText\(\s*)") + wrapped), QStringLiteral("Localizable")},
        // The table, when given, is the third argument.
        {QRegularExpression(QStringLiteral(R"(\blocalizedStringForKey\(\s*)") + wrapped
                            + QStringLiteral(R"(\s*,\s*QStringLiteral\(\s*"[^"]*"\s*\)\s*(?:,\s*(\w+|)")
                            + wrapped + QStringLiteral(R"())?\s*\))")),
         QStringLiteral("Localizable")},
    };
    std::set<Entry> texts;
    for (const QString& folder : {QStringLiteral("app"), QStringLiteral("interface"), QStringLiteral("platform"),
                                  QStringLiteral("foundation")}) {
        QDirIterator files(QStringLiteral(SORVANT_SOURCE_DIR "/") + folder, {QStringLiteral("*.cpp")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            const QString source = QString::fromUtf8(file.readAll());
            for (const auto& lookup : lookups) {
                for (const QRegularExpressionMatch& match : lookup.pattern.globalMatch(source)) {
                    QString table = lookup.table;
                    if (!match.captured(3).isEmpty()) {
                        table = match.captured(3);
                    } else if (!match.captured(2).isEmpty()) {
                        const QRegularExpression assigned(QStringLiteral(R"(\b)") + match.captured(2)
                                                          + QStringLiteral(R"(\s*=\s*)") + wrapped);
                        table = assigned.match(source).captured(1);
                        EXPECT_FALSE(table.isEmpty()) << "table " << match.captured(2).toStdString();
                    }
                    texts.insert({unescaped(match.captured(1)), table});
                }
            }
        }
    }
    return texts;
}

// Whether a widget text is the user's data rather than the interface's:
// paths, numbers, empty texts.
bool isData(const QString& text)
{
    static const QRegularExpression letters(QStringLiteral("[A-Za-z]"));
    return text.trimmed().isEmpty() || !text.contains(letters) || text.startsWith(u'/') || text.startsWith(u'~');
}

// The tables a widget's text may come from: the walk's own (Localizable)
// or the toolkit's, which some items are given before the walk.
const QStringList kWidgetTables = {QStringLiteral("Localizable"), QStringLiteral("Bundle"), QStringLiteral("Velmor")};

// Qt's tool tip of an action without one of its own: the text without
// mnemonics and a trailing ellipsis.
QString derivedToolTip(QString text)
{
    text.remove(u'&');
    for (const QString& dots : {QStringLiteral("..."), QStringLiteral("…")})
        if (text.endsWith(dots))
            text.chop(dots.size());
    return text.trimmed();
}

void collectWidgetTexts(QWidget* root, std::set<Entry>& texts)
{
    const QString table = QStringLiteral("*");
    const auto add = [&](const QString& text) {
        if (!isData(text))
            texts.insert({text, table});
    };
    // The destination button and its menu show folder names.
    QSet<QObject*> destinations;
    if (auto* location = root->findChild<QToolButton*>(QStringLiteral("searchLocation"))) {
        destinations.insert(location);
        if (location->menu()) {
            for (QObject* item : location->menu()->findChildren<QObject*>())
                destinations.insert(item);
            for (QAction* item : location->menu()->actions())
                destinations.insert(item);
        }
    }
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (destinations.contains(widget))
            continue;
        if (widget->isWindow())
            add(widget->windowTitle());
        add(widget->toolTip());
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            add(button->text());
        else if (auto* label = qobject_cast<QLabel*>(widget))
            add(label->text());
        else if (auto* box = qobject_cast<QGroupBox*>(widget))
            add(box->title());
        else if (auto* field = qobject_cast<QLineEdit*>(widget))
            add(field->placeholderText());
        else if (auto* menu = qobject_cast<QMenu*>(widget))
            add(menu->title());
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                add(combo->itemText(i));
        if (auto* view = qobject_cast<QTableView*>(widget); view && view->model())
            for (int column = 0; column < view->model()->columnCount(); ++column)
                add(view->model()->headerData(column, Qt::Horizontal).toString());
    }
    for (QAction* action : root->findChildren<QAction*>()) {
        if (destinations.contains(action))
            continue;
        add(action->text());
        if (derivedToolTip(action->text()) != action->toolTip())
            add(action->toolTip());
    }
}

using LocalizationCoverageTest = AppFixture;

TEST_F(LocalizationCoverageTest, GermanIncompleteRegression)
{
    std::set<Entry> texts = lookedUpTexts();
    ASSERT_GT(texts.size(), 30u) << "the sources' lookups were not found";
    {
        // The English interface as built: its texts are the tables' keys.
        setPreferredLanguages({QStringLiteral("en")});
        ApplicationDelegate delegate(&defaults);
        SearchWindow* window = delegate.findWindow();
        std::set<Entry> shown;
        collectWidgetTexts(window, shown);
        ToolbarCustomizationDialog dialog(window->findChild<SymbolToolbar*>(), defaults, window);
        collectWidgetTexts(&dialog, shown);
        ASSERT_GT(shown.size(), 30u);
        texts.insert(shown.begin(), shown.end());
        window->close();
        setPreferredLanguages({});
    }

    const Bundle shipped(findResourcesFolder(), {});
    const QStringList languages = bundleLocalizations(shipped);
    ASSERT_TRUE(languages.contains(QStringLiteral("de")));
    std::map<QString, StringsTable> tables;
    const auto has = [&](const QString& language, const QString& table, const QString& text) {
        const QString path = shipped.resourcePath() + "/" + language + ".lproj/" + table + ".strings";
        if (!tables.count(path))
            tables[path] = readStringsFile(path).value_or(StringsTable());
        return tables[path].contains(text);
    };
    for (const QString& language : languages) {
        for (const auto& [text, table] : texts) {
            const QStringList candidates = table == u"*" ? kWidgetTables : QStringList{table};
            EXPECT_TRUE(std::any_of(candidates.begin(), candidates.end(),
                                    [&](const QString& name) { return has(language, name, text); }))
                << language.toStdString() << "/" << candidates.join('|').toStdString() << " lacks \""
                << text.toStdString() << "\"";
        }
    }
}

// The lower libraries' texts reach the shipped tables: sizes once stayed
// English in German (and said "1 bytes").
TEST(LowerLibraryTexts, SizeTextsStayEnglishInGermanRegression)
{
    installStringsTables();
    setPreferredLanguages({QStringLiteral("de")});
    EXPECT_EQ(stringForSize(1), QStringLiteral("1 Byte"));
    EXPECT_EQ(stringForSize(238), QStringLiteral("238 Byte"));
    setPreferredLanguages({QStringLiteral("en")});
    EXPECT_EQ(stringForSize(1), QStringLiteral("1 byte"));
    EXPECT_EQ(stringForSize(238), QStringLiteral("238 bytes"));
    setPreferredLanguages({});
}

} // namespace
} // namespace sorvant::test
