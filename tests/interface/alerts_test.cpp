#include "interface/alerts.h"

#include "localization_fixture.h"
#include "platform/user_defaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <iterator>
#include <memory>
#include <utility>

namespace sorvant {
namespace {

QList<int> tags(const QMessageBox* alert)
{
    QList<int> result;
    for (QAbstractButton* button : alert->buttons())
        result.append(alertTag(button));
    std::sort(result.begin(), result.end());
    return result;
}

QAbstractButton* buttonWithTag(const QMessageBox* alert, int tag)
{
    for (QAbstractButton* button : alert->buttons())
        if (alertTag(button) == tag)
            return button;
    return nullptr;
}

class AlertsTest : public test::LocalizedBundleTest
{
protected:
    void SetUp() override
    {
        LocalizedBundleTest::SetUp();
        writeTable("de", "Localizable",
                   "\"Delete?\" = \"Löschen?\"; \"Yes\" = \"Ja\"; \"%@ files\" = \"%@ Dateien\";"
                   "\"Never ask me again\" = \"Nicht mehr fragen\";");
        m_previous = setAlertRunner([this](QMessageBox* alert) {
            ++m_runs;
            m_lastInformative = alert->informativeText();
            if (alert->checkBox())
                alert->checkBox()->setChecked(m_tick);
            return m_answer;
        });
    }
    void TearDown() override
    {
        setAlertRunner(m_previous);
        LocalizedBundleTest::TearDown();
    }

    UserDefaults m_defaults{m_tree.filePath("defaults.plist")};
    AlertRunner m_previous;
    int m_runs = 0;
    int m_answer = kAlertAlternateReturn;
    bool m_tick = true;
    QString m_lastInformative;
};

TEST_F(AlertsTest, ButtonsPresentAnswerFixedTags)
{
    const struct
    {
        QString defaultButton, alternateButton, otherButton;
        QList<int> tags;
    } cases[] = {
        {"OK", {}, {}, {1}},
        {"OK", {}, "More", {-1, 1}},
        {"OK", "Cancel", "More", {-1, 0, 1}},
        {{}, "Cancel", {}, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tags.size());
        std::unique_ptr<QMessageBox> alert(
            alertWithMessageText("Message", c.defaultButton, c.alternateButton, c.otherButton, false, "Info"));
        ASSERT_TRUE(alert);
        EXPECT_EQ(tags(alert.get()), c.tags);
        EXPECT_EQ(alert->informativeText(), "Info");
        EXPECT_EQ(alert->checkBox(), nullptr);
    }
    EXPECT_EQ(alertWithMessageText({}, "OK", {}, {}, false, {}), nullptr);
}

TEST_F(AlertsTest, LocalizedAlertTranslatesEveryTextButKeepsMissingOnes)
{
    setLanguage("de");
    std::unique_ptr<QMessageBox> alert(
        alertWithTexts({"Delete?", "Yes", "No", {}, "%@ files", {3}}, true, true));
    EXPECT_EQ(alert->text(), "Löschen?");
    EXPECT_EQ(alert->informativeText(), "3 Dateien");
    EXPECT_EQ(buttonWithTag(alert.get(), 1)->text(), "Ja");
    EXPECT_EQ(buttonWithTag(alert.get(), 0)->text(), "No");
    ASSERT_NE(alert->checkBox(), nullptr);
    EXPECT_EQ(alert->checkBox()->text(), "Nicht mehr fragen");
    EXPECT_FALSE(alert->checkBox()->isChecked());

    // The untranslated factory still titles the box in the user's language.
    std::unique_ptr<QMessageBox> plain(alertWithTexts({"Delete?", "Yes", {}, {}, "%@ files", {3}}, false, true));
    EXPECT_EQ(plain->text(), "Delete?");
    EXPECT_EQ(plain->informativeText(), "3 files");
    EXPECT_EQ(plain->checkBox()->text(), "Nicht mehr fragen");
}

TEST_F(AlertsTest, TickedAnswerIsRememberedUntilReset)
{
    const AlertTexts question{"Delete?", "Yes", "No", {}, "%@ files", {3}};
    EXPECT_EQ(autoSuppressAlert(question, false, m_defaults), 0);
    EXPECT_EQ(m_defaults.objectForKey("NSAlert AutoSuppress \"Delete?\" \"%@ files\"").toInt(), 0);
    // Same format, other arguments: the same question, answered silently.
    EXPECT_EQ(autoSuppressAlert({"Delete?", "Yes", "No", {}, "%@ files", {9}}, false, m_defaults), 0);
    EXPECT_EQ(m_runs, 1);
    // Another format is another question.
    m_answer = kAlertDefaultReturn;
    EXPECT_EQ(autoSuppressAlert({"Delete?", "Yes", "No", {}, "%@ folders", {9}}, false, m_defaults), 1);
    EXPECT_EQ(m_runs, 2);
    EXPECT_TRUE(shouldResetAlerts(m_defaults));
    resetAlerts(m_defaults);
    EXPECT_FALSE(shouldResetAlerts(m_defaults));
    EXPECT_EQ(autoSuppressAlert(question, false, m_defaults), 1);
    EXPECT_EQ(m_runs, 3);
}

TEST_F(AlertsTest, UntickedOrUnshownAnswersAreNotRemembered)
{
    m_tick = false;
    EXPECT_EQ(autoSuppressAlert({"Quit?", "OK", {}, {}, {}, {}}, false, m_defaults), 0);
    EXPECT_FALSE(m_defaults.objectForKey(autoSuppressKey("Quit?", {})).isValid());
    m_tick = true;
    m_answer = kAlertNotShown;
    EXPECT_EQ(autoSuppressAlert({"Quit?", "OK", {}, {}, {}, {}}, false, m_defaults), kAlertNotShown);
    EXPECT_FALSE(m_defaults.objectForKey(autoSuppressKey("Quit?", {})).isValid());
    // A stored -2 counts as nothing remembered.
    m_defaults.setInteger(-2, autoSuppressKey("Quit?", {}));
    m_answer = kAlertOtherReturn;
    EXPECT_EQ(autoSuppressAlert({"Quit?", "OK", {}, {}, {}, {}}, false, m_defaults), -1);
    EXPECT_EQ(m_runs, 3);
    EXPECT_EQ(autoSuppressAlert({{}, "OK", {}, {}, {}, {}}, false, m_defaults), kAlertNotShown);
}

TEST_F(AlertsTest, ResetCoversEveryPrefixAndNothingElse)
{
    m_defaults.setBool(true, "DontAskAboutTrash");
    m_defaults.setBool(true, "DontCheckUpdates");
    m_defaults.setBool(true, "KeepMe");
    EXPECT_TRUE(shouldResetAlerts(m_defaults));
    resetAlerts(m_defaults);
    EXPECT_FALSE(m_defaults.objectForKey("DontAskAboutTrash").isValid());
    EXPECT_FALSE(m_defaults.objectForKey("DontCheckUpdates").isValid());
    EXPECT_TRUE(m_defaults.objectForKey("KeepMe").isValid());
}

TEST_F(AlertsTest, RealModalRunAndSheetAnswerTheClickedTag)
{
    setAlertRunner(nullptr);
    std::unique_ptr<QMessageBox> alert(alertWithMessageText("Message", "OK", "Cancel", "More", false, {}));
    QTimer::singleShot(0, alert.get(), [&] { buttonWithTag(alert.get(), kAlertOtherReturn)->click(); });
    EXPECT_EQ(runModal(alert.get()), kAlertOtherReturn);

    QWidget window;
    window.show();
    int answer = 99;
    QMessageBox* sheet = alertWithMessageText("Message", "OK", "Cancel", {}, false, {});
    beginSheetModalForWindow(sheet, &window, [&](int tag) { answer = tag; });
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    buttonWithTag(sheet, kAlertAlternateReturn)->click();
    EXPECT_EQ(answer, kAlertAlternateReturn);
}

TEST_F(AlertsTest, SystemRequestsReachTheRunner)
{
    installAlertPresenter();
    AlertRequest request;
    request.messageText = "Allow access?";
    request.defaultButton = "Allow";
    request.informativeText = "100% sure";
    m_answer = kAlertDefaultReturn;
    EXPECT_EQ(runAlert(request), kAlertDefaultReturn);
    EXPECT_EQ(m_lastInformative, "100% sure"); // not read as a format
    setAlertPresenter(nullptr);
}

TEST(AlertWidth, AReadableLineAndTheWholeTitle)
{
    const QFontMetrics text(QFont(QStringLiteral("DejaVu Sans"), 10));
    QFont bold(QStringLiteral("DejaVu Sans"), 10);
    bold.setBold(true);
    const QFontMetrics titleBar(bold);
    const int line = text.averageCharWidth() * kReadableLineCharacters;
    EXPECT_EQ(readableAlertWidth(text, titleBar, QString(), 2000), line);
    EXPECT_EQ(readableAlertWidth(text, titleBar, QStringLiteral("OK"), 2000), line);
    const QString longTitle = QStringLiteral("Öffnen nicht möglich: kein Programm für diesen Dateityp eingerichtet");
    EXPECT_GT(readableAlertWidth(text, titleBar, longTitle, 2000), titleBar.horizontalAdvance(longTitle));
    EXPECT_EQ(readableAlertWidth(text, titleBar, longTitle, 300), 300);
}

TEST_F(AlertsTest, AlertsAreASliverRegression)
{
    // A short message made an alert some 230 pixels wide: the window
    // manager cut its title and the text wrapped every few words.
    QMessageBox* alert = alertWithTexts({QStringLiteral("Invalid Regular Expression"), QStringLiteral("OK"), {}, {},
                                         QStringLiteral("“inv([” is not a valid regular expression (a bracket [ is "
                                                        "not closed at character 5). Nothing was searched."),
                                         {}},
                                        false, false);
    alert->setWindowTitle(QStringLiteral("Ungültiger regulärer Ausdruck"));
    alert->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(alert));
    QFont bold = alert->font();
    bold.setBold(true);
    EXPECT_GE(alert->width(), alert->fontMetrics().averageCharWidth() * kReadableLineCharacters);
    EXPECT_GT(alert->width(), QFontMetrics(bold).horizontalAdvance(alert->windowTitle()) + 100);
    // A longer title set later widens it when it is shown again.
    alert->hide();
    alert->setWindowTitle(QString(40, u'W'));
    alert->show();
    EXPECT_GT(alert->width(), QFontMetrics(bold).horizontalAdvance(QString(40, u'W')));
    delete alert;
}

// The alert's label showing `text`; null when none does.
QLabel* labelShowing(const QMessageBox* alert, const QString& text)
{
    for (QLabel* label : alert->findChildren<QLabel*>()) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

// The widths of `image` left of its first and right of its last column of
// ink (a pixel unlike the top-left one); the whole width both when blank.
std::pair<int, int> inkMargins(const QImage& image)
{
    const QRgb background = image.pixel(0, 0);
    int first = image.width();
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, image.width() - 1 - last};
}

// Regression: a question that starts with a right-to-left name was laid
// out right to left in English (Qt takes a plain text's direction from its
// first strong character): the line ended in the name at the right edge.
// Each text starts at the interface's leading edge whatever it starts with.
TEST_F(AlertsTest, TextsStartAtTheInterfacesLeadingEdgeWhateverTheyStartWithRegression)
{
    const QString hebrew = QStringLiteral("“\u2068שלום עולם\u2069” could not be moved to the Trash.");
    const QString arabic = QStringLiteral("\u2068مرحبا\u2069 is the name.");
    const QString latin = QStringLiteral("“report.txt” could not be moved to the Trash.");
    const struct
    {
        Qt::LayoutDirection direction;
        QString message;
        QString informative;
    } cases[] = {
        {Qt::LeftToRight, hebrew, arabic},
        {Qt::LeftToRight, latin, latin},
        {Qt::RightToLeft, hebrew, arabic},
        {Qt::RightToLeft, latin, latin},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.direction == Qt::LeftToRight ? "left to right: " : "right to left: ") + c.message.toStdString());
        std::unique_ptr<QMessageBox> alert(
            alertWithTexts({c.message, QStringLiteral("OK"), {}, {}, QStringLiteral("%@"), {c.informative}}, false,
                           false));
        alert->setLayoutDirection(c.direction);
        alert->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(alert.get()));
        for (const QString& text : {c.message, c.informative}) {
            QLabel* label = labelShowing(alert.get(), text);
            ASSERT_NE(label, nullptr);
            const auto [left, right] = inkMargins(label->grab().toImage());
            ASSERT_LT(left + right, label->width()) << "the label shows something";
            if (c.direction == Qt::LeftToRight)
                EXPECT_LT(left, right);
            else
                EXPECT_LT(right, left);
        }
    }
}

// The characters of `document` from `from` up to `to` as written: the
// joiners the layout added left out, the spaces it joined as spaces.
QString writtenRange(const QTextDocument* document, int from, int to)
{
    QString written;
    for (int at = from; at < to; ++at) {
        if (!isAddedJoiner(document, at))
            written += isJoinedSpace(document, at) ? QChar(u' ') : document->characterAt(at);
    }
    return written;
}

// The text of each line `label` shows, as written.
QStringList shownLines(const QLabel* label)
{
    QStringList lines;
    const QTextDocument* document = label->findChild<QTextDocument*>();
    if (!document)
        return lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int start = block.position() + line.textStart();
            lines.append(writtenRange(document, start, start + line.textLength()));
        }
    }
    return lines;
}

// Regression: a question that wrapped inside a quoted name broke it at its
// hyphen ("“m-" at a line's end, "c.txt”" on the next), and one holding
// spaces at a space, in English and German quotes. Wherever the name
// falls, it stays on one line; one longer than a line still breaks, and
// none runs past the edge. The alert's text stays as it was. The same holds
// for an informative text set on a message box made elsewhere (the failure
// sheets'), whose label Qt fills only when it is next measured.
TEST_F(AlertsTest, AQuotedNameIsNeverBrokenInsideRegression)
{
    const QString longName = QStringLiteral("“%1.txt”").arg(QStringLiteral("long-name-").repeated(16));
    // A short name, and one wider than half a line that still fits the text column.
    const QString names[] = {QStringLiteral("“\u2068m-c.txt\u2069”"),
                             QStringLiteral("„2-a-long-name-of-a-folder-left-behind“"),
                             QStringLiteral("“meeting minutes / march.odt”"),
                             QStringLiteral("„meeting minutes / march.odt“")};
    for (int step = 0; step < 95; ++step) {
        const int filler = (step + 1) / 2;
        const bool isLong = step == 0;
        const QString name = isLong ? longName : names[step % std::size(names)];
        const QString message = QStringLiteral("Do you really want to delete %1 %2? This can't be undone: the item is gone at once.")
                                    .arg(QString(filler, u'x'), name);
        SCOPED_TRACE(message.toStdString());
        std::unique_ptr<QMessageBox> alert;
        if (step % 3 == 2) {
            alert = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Cannot Delete"),
                                                  QStringLiteral("Cannot Delete"), QMessageBox::Ok);
            keepReadableWidth(alert.get());
            alert->setInformativeText(message);
        } else {
            alert.reset(alertWithTexts({message, QStringLiteral("OK"), {}, {}, {}, {}}, false, false));
            EXPECT_EQ(alert->text(), message);
        }
        alert->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(alert.get()));
        QLabel* label = labelShowing(alert.get(), message);
        ASSERT_NE(label, nullptr);
        const QStringList lines = shownLines(label);
        ASSERT_GE(lines.size(), 2) << "the question wraps";
        EXPECT_EQ(lines.join(QString()), message);
        const QFontMetrics metrics(label->font());
        for (const QString& line : lines) {
            const bool quoting = line.contains(u'“') || line.contains(u'”') || line.contains(u'„');
            if (isLong || quoting) {
                EXPECT_LE(metrics.horizontalAdvance(line.trimmed()), label->contentsRect().width()) << line.toStdString();
            }
            if (!isLong && quoting) {
                EXPECT_TRUE(line.contains(name)) << "a line shows " << line.toStdString();
            }
        }
    }
}

// The names the alerts' texts tests show, as written: tags and entities
// that Qt would read as rich text, a U+2060 WORD JOINER of the name's own
// (the layout adds more), a no-break space, a hyphenated name the layout
// keeps whole, one with spaces it keeps whole.
const QString kNamesAsWritten[] = {
    QStringLiteral("<b>bold-name.txt"),       QStringLiteral("&lt;amp-name.txt"),
    QStringLiteral("a\u2060b-joiner-in-name.txt"), QStringLiteral("no\u00A0break-name.txt"),
    QStringLiteral("m-c.txt"),                QStringLiteral("meeting minutes / march.odt"),
};

// The question Delete asks about `name`, with enough words to wrap.
QString deleteQuestion(const QString& name)
{
    return QStringLiteral("Do you really want to delete “%1” and “a-b-c.txt”, %2? This can't be undone.")
        .arg(name, QString(40, u'x'));
}

// The text `label` draws: its document's characters, the joiners the
// layout added left out and the spaces it joined drawn as spaces.
QString drawnText(const QLabel* label)
{
    const QTextDocument* document = label->findChild<QTextDocument*>();
    if (!document)
        return label->text();
    QString drawn;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin())
            drawn += u'\n';
        drawn += writtenRange(document, block.position(), block.position() + block.length() - 1);
    }
    return drawn;
}

// Regression: a question naming "<b>bold-name.txt" was drawn as rich text
// ("Do you really want to delete “bold-name.txt”?" with the rest in bold)
// and "&lt;amp-name.txt" as "<amp-name.txt". Every text an alert shows is
// drawn as written, whichever way the alert is made: its message, its
// informative and detailed texts, its buttons and its box.
TEST_F(AlertsTest, NamesInAlertsAreDrawnAsWrittenRegression)
{
    const struct
    {
        const char* way;
        std::function<QMessageBox*(const QString& name, const QString& question)> make;
    } ways[] = {
        {"a question",
         [](const QString& name, const QString& question) {
             return alertWithTexts({QStringLiteral("“%1”").arg(name), QStringLiteral("Cancel"),
                                    QStringLiteral("Delete"), {}, QStringLiteral("%@"), {question}},
                                   false, true);
         }},
        {"a system request's alert",
         [](const QString& name, const QString& question) {
             return alertWithMessageText(QStringLiteral("“%1”").arg(name), QStringLiteral("OK"), {}, {}, false,
                                         question);
         }},
        {"a message box kept readable",
         [](const QString& name, const QString& question) {
             auto* alert = new QMessageBox(QMessageBox::Warning, name, QStringLiteral("“%1”").arg(name),
                                           QMessageBox::Ok);
             keepReadableWidth(alert);
             alert->setInformativeText(question);
             return alert;
         }},
    };
    for (const auto& way : ways) {
        for (const QString& name : kNamesAsWritten) {
            SCOPED_TRACE(way.way + (": " + name.toStdString()));
            const QString question = deleteQuestion(name);
            std::unique_ptr<QMessageBox> alert(way.make(name, question));
            alert->setDetailedText(question);
            alert->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(alert.get()));
            for (const QString& text : {QStringLiteral("“%1”").arg(name), question}) {
                const QLabel* label = labelShowing(alert.get(), text);
                ASSERT_NE(label, nullptr) << text.toStdString();
                EXPECT_EQ(drawnText(label), text);
            }
            const auto* details = alert->findChild<QTextEdit*>();
            ASSERT_NE(details, nullptr);
            EXPECT_EQ(details->document()->toRawText(), question);
        }
    }
}

// A selection copied from an alert's label is the text as written, by the
// label's menu and by the copy key, whatever its layout holds: the joiners
// the layout added left out, a name's own joiner and no-break space kept.
TEST_F(AlertsTest, ACopiedSelectionIsTheTextAsWritten)
{
    for (const QString& name : kNamesAsWritten) {
        const QString message = deleteQuestion(name);
        SCOPED_TRACE(message.toStdString());
        std::unique_ptr<QMessageBox> alert(
            alertWithTexts({message, QStringLiteral("OK"), {}, {}, {}, {}}, false, false));
        alert->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(alert.get()));
        QLabel* label = labelShowing(alert.get(), message);
        ASSERT_NE(label, nullptr);
        const QTextDocument* document = label->findChild<QTextDocument*>();
        bool joined = false;
        for (int at = 0; at < document->characterCount() - 1; ++at)
            joined = joined || isAddedJoiner(document, at);
        ASSERT_TRUE(joined) << "the layout holds joiners";
        const struct
        {
            const char* way;
            std::function<void()> copy;
        } ways[] = {
            // The menu pops up without waiting for it to close: its Copy is
            // chosen at once, and the test never blocks on it.
            {"the menu's Copy",
             [&] {
                 QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1), label->mapToGlobal(QPoint(1, 1)));
                 QApplication::sendEvent(label, &event);
                 auto* menu = label->findChild<QMenu*>();
                 ASSERT_NE(menu, nullptr);
                 menu->actions().constFirst()->trigger();
                 delete menu;
             }},
            {"the copy key", [&] { QTest::keySequence(label, QKeySequence::Copy); }},
        };
        for (const auto& way : ways) {
            SCOPED_TRACE(way.way);
            QGuiApplication::clipboard()->clear();
            label->setSelection(0, document->characterCount() - 1);
            ASSERT_TRUE(label->hasSelectedText());
            way.copy();
            EXPECT_EQ(QGuiApplication::clipboard()->text(), message);
            // Part of it: from the name's opening quote to the end.
            const qsizetype open = message.indexOf(u'“');
            int start = 0;
            for (int seen = 0; seen < open; ++start)
                seen += isAddedJoiner(document, start) ? 0 : 1;
            label->setSelection(start, document->characterCount() - 1 - start);
            way.copy();
            EXPECT_EQ(QGuiApplication::clipboard()->text(), message.mid(open));
        }
    }
}

} // namespace
} // namespace sorvant
