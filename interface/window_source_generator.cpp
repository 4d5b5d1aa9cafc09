#include "interface/window_source_generator.h"

#include "interface/controls.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

namespace sorvant {

namespace {

const QString kIndent = QStringLiteral("\t");

QString number(double value)
{
    return QString::number(value, 'f', 0);
}

QString flag(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// A statement on `name`: "\t<name>-><call>;\n".
QString statement(const QString& name, const QString& call)
{
    return kIndent + name + QStringLiteral("->") + call + QStringLiteral(";\n");
}

QString literal(const QString& text)
{
    return QStringLiteral("QStringLiteral(\"") + escapedLiteralText(text) + QStringLiteral("\")");
}

QString geometry(const QRect& rect)
{
    return QStringLiteral("setGeometry(%1, %2, %3, %4)")
        .arg(number(rect.x()), number(rect.y()), number(rect.width()), number(rect.height()));
}

// Whether the class is Qt's own (its name "Q" and an upper-case letter).
bool isToolkitClass(const QString& className)
{
    return className.size() > 1 && className[0] == QLatin1Char('Q') && className[1].isUpper();
}

// The widgets whose own children are parts of them, not views of the window.
bool isComposite(const QWidget* widget)
{
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QAbstractScrollArea*>(widget)
        || qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QComboBox*>(widget)
        || qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QProgressBar*>(widget)
        || qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractSlider*>(widget);
}

// Texts, placeholders, tool tips and the values of text widgets.
void emitTexts(const QWidget* view, const QString& name, QString& text)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(view)) {
        // A button's text is written even when empty.
        text += statement(name, QStringLiteral("setText(%1)").arg(literal(button->text())));
    } else if (const auto* box = qobject_cast<const QGroupBox*>(view)) {
        if (!box->title().isEmpty())
            text += statement(name, QStringLiteral("setTitle(%1)").arg(literal(box->title())));
    } else if (const auto* label = qobject_cast<const QLabel*>(view); label && label->pixmap().isNull()) {
        if (!label->text().isEmpty())
            text += statement(name, QStringLiteral("setText(%1)").arg(literal(label->text())));
    } else if (const auto* line = qobject_cast<const QLineEdit*>(view)) {
        if (!line->text().isEmpty())
            text += statement(name, QStringLiteral("setText(%1)").arg(literal(line->text())));
    } else if (const auto* edit = qobject_cast<const QTextEdit*>(view)) {
        if (!edit->toPlainText().isEmpty())
            text += statement(name, QStringLiteral("setPlainText(%1)").arg(literal(edit->toPlainText())));
    }
    if (const auto* label = qobject_cast<const QLabel*>(view); label && !label->pixmap().isNull()) {
        // The image view's settings.
        text += statement(name, QStringLiteral("setAlignment(Qt::Alignment(%1))").arg(int(label->alignment())));
        text += statement(name, QStringLiteral("setScaledContents(%1)").arg(flag(label->hasScaledContents())));
        text += statement(name, QStringLiteral("setFrameStyle(%1)").arg(label->frameStyle()));
    }
    const QString placeholder = view->property("placeholderText").toString();
    if (!placeholder.isEmpty())
        text += statement(name, QStringLiteral("setPlaceholderText(%1)").arg(literal(placeholder)));
    if (!view->toolTip().isEmpty())
        text += statement(name, QStringLiteral("setToolTip(%1)").arg(literal(view->toolTip())));
}

// Alignment, wrapping, frames, editing, the action and visibility.
void emitSettings(const QWidget* view, const QString& name, QString& text)
{
    if (const auto* label = qobject_cast<const QLabel*>(view); label && label->pixmap().isNull()) {
        text += statement(name, QStringLiteral("setAlignment(Qt::Alignment(%1))").arg(int(label->alignment())));
        text += statement(name, QStringLiteral("setWordWrap(%1)").arg(flag(label->wordWrap())));
    }
    if (const auto* line = qobject_cast<const QLineEdit*>(view)) {
        text += statement(name, QStringLiteral("setAlignment(Qt::Alignment(%1))").arg(int(line->alignment())));
        text += statement(name, QStringLiteral("setFrame(%1)").arg(flag(line->hasFrame())));
        if (line->isReadOnly())
            text += statement(name, QStringLiteral("setReadOnly(true)"));
    }
    if (const auto* edit = qobject_cast<const QTextEdit*>(view); edit && edit->isReadOnly())
        text += statement(name, QStringLiteral("setReadOnly(true)"));
    if (const auto* push = qobject_cast<const QPushButton*>(view); push && push->isFlat())
        text += statement(name, QStringLiteral("setFlat(true)"));
    if (const auto* button = qobject_cast<const QAbstractButton*>(view)) {
        const QByteArray selector = buttonActionSelector(button);
        if (!selector.isEmpty()) {
            const QObject* target = button->property("sorvantButtonTarget").value<QPointer<QObject>>();
            const QString description = target ? QString::fromLatin1(target->metaObject()->className())
                    + (target->objectName().isEmpty() ? QString() : QLatin1Char(' ') + target->objectName())
                                               : QStringLiteral("nil");
            text += kIndent + QStringLiteral("sorvant::setActionTarget(%1, \"%2\", nullptr); // target:%3\n")
                                  .arg(name, escapedLiteralText(QString::fromLatin1(selector)), description);
        }
    }
    if (view->isHidden())
        text += statement(name, QStringLiteral("setHidden(true)"));
}

// The statements only some classes have.
void emitClassTail(const QWidget* view, const QString& name, QString& text)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(view)) {
        if (button->isCheckable())
            text += statement(name, QStringLiteral("setCheckable(true)"));
        if (button->isChecked())
            text += statement(name, QStringLiteral("setChecked(true)"));
        if (!button->icon().isNull()) {
            text += statement(name, QStringLiteral("setIconSize(QSize(%1, %2))")
                                        .arg(number(button->iconSize().width()), number(button->iconSize().height())));
        }
        const QString shortcut = button->shortcut().toString(QKeySequence::PortableText);
        if (!shortcut.isEmpty())
            text += statement(name, QStringLiteral("setShortcut(QKeySequence(%1))").arg(literal(shortcut)));
    } else if (const auto* box = qobject_cast<const QGroupBox*>(view)) {
        text += statement(name, QStringLiteral("setFlat(%1)").arg(flag(box->isFlat())));
        text += statement(name, QStringLiteral("setAlignment(%1)").arg(int(box->alignment())));
    } else if (const auto* progress = qobject_cast<const QProgressBar*>(view)) {
        text += statement(name, QStringLiteral("setOrientation(Qt::Orientation(%1))").arg(int(progress->orientation())));
        // A range of 0 to 0 is Qt's indeterminate (busy) bar.
        if (progress->minimum() == 0 && progress->maximum() == 0) {
            text += statement(name, QStringLiteral("setRange(0, 0)"));
        } else {
            text += statement(name, QStringLiteral("setMinimum(%1)").arg(number(progress->minimum())));
            text += statement(name, QStringLiteral("setMaximum(%1)").arg(number(progress->maximum())));
        }
    }
}

QString className(const QObject* object)
{
    return QString::fromLatin1(object->metaObject()->className());
}

} // namespace

QString escapedLiteralText(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': escaped += QStringLiteral("\\\""); break;
        case '\\': escaped += QStringLiteral("\\\\"); break;
        case '\n': escaped += QStringLiteral("\\n"); break;
        case '\r': escaped += QStringLiteral("\\r"); break;
        case '\t': escaped += QStringLiteral("\\t"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

QString variableNameForClass(const QString& className, int count)
{
    const bool toolkit = isToolkitClass(className);
    QString name = className.mid(className.lastIndexOf(QLatin1Char(':')) + 1).toLower();
    if (count > 1)
        name += QString::number(count);
    if (toolkit)
        name.remove(0, 1);
    return name;
}

void generateViewCode(const QWidget* view, const QString& parentName, QHash<QString, int>& classCounts, QString& text)
{
    for (const QObject* child : view->children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        // Qt's own parts of a widget are named "qt_…"; windows are not views.
        if (!widget || widget->isWindow() || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QString type = className(widget);
        const QString name = variableNameForClass(type, ++classCounts[type]);
        text += kIndent + QStringLiteral("%1 *%2 = new %1;\n").arg(type, name);
        text += statement(name, geometry(widget->geometry()));
        const QSizePolicy policy = widget->sizePolicy();
        text += statement(name, QStringLiteral("setSizePolicy(QSizePolicy::Policy(%1), QSizePolicy::Policy(%2))")
                                    .arg(int(policy.horizontalPolicy()))
                                    .arg(int(policy.verticalPolicy())));
        emitTexts(widget, name, text);
        emitSettings(widget, name, text);
        emitClassTail(widget, name, text);
        text += statement(name, QStringLiteral("setParent(%1)").arg(parentName)) + QLatin1Char('\n');
        if (!isComposite(widget))
            generateViewCode(widget, name, classCounts, text);
    }
}

QString windowGenerator(const QWidget* window)
{
    if (!window)
        return {};
    const QString type = className(window);
    const QString name = variableNameForClass(type, 1);
    QString text = kIndent + QStringLiteral("%1 *%2 = new %1;\n").arg(type, name);
    text += statement(name, geometry(window->geometry()));
    if (window->testAttribute(Qt::WA_DeleteOnClose))
        text += statement(name, QStringLiteral("setAttribute(Qt::WA_DeleteOnClose)"));
    // Qt adds its default hints to every window; they are kept only when the
    // window asked for its own (CustomizeWindowHint).
    Qt::WindowFlags flags = window->windowFlags();
    if (!flags.testFlag(Qt::CustomizeWindowHint))
        flags &= Qt::WindowType_Mask;
    text += statement(name, QStringLiteral("setWindowFlags(Qt::WindowFlags(0x%1))").arg(uint(flags.toInt()), 0, 16));
    text += statement(name, QStringLiteral("setMinimumSize(%1, %2)")
                                .arg(number(window->minimumWidth()), number(window->minimumHeight())));
    text += statement(name, QStringLiteral("setMaximumSize(%1, %2)")
                                .arg(number(window->maximumWidth()), number(window->maximumHeight())));
    if (!window->windowTitle().isEmpty())
        text += statement(name, QStringLiteral("setWindowTitle(%1)").arg(literal(window->windowTitle())));
    const auto* main = qobject_cast<const QMainWindow*>(window);
    const QWidget* content = main && main->centralWidget() ? main->centralWidget() : window;
    if (content == window) {
        text += kIndent + QStringLiteral("QWidget *contentView = %1;\n").arg(name);
    } else {
        text += kIndent + QStringLiteral("QWidget *contentView = new %1;\n").arg(className(content));
        text += kIndent + QStringLiteral("%1->setCentralWidget(contentView);\n").arg(name);
    }
    // The window's own name is taken: a view of its class is numbered from 2.
    QHash<QString, int> classCounts{{type, 1}};
    generateViewCode(content, QStringLiteral("contentView"), classCounts, text);
    return text;
}

} // namespace sorvant
