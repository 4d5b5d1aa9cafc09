#include "interface/window_source_generator.h"

#include "interface/controls.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(WindowSourceGenerator, VariableNames)
{
    const struct { const char* className; int count; const char* name; } rows[] = {
        {"QPushButton", 1, "pushbutton"},
        {"QPushButton", 3, "pushbutton3"},
        {"sorvant::PathControl", 2, "pathcontrol2"},
        {"Quilt", 1, "quilt"},
        {"Q", 1, "q"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.className);
        EXPECT_EQ(variableNameForClass(QString::fromLatin1(row.className), row.count), QString::fromLatin1(row.name));
    }
    EXPECT_EQ(escapedLiteralText(QStringLiteral("a \"b\"\\\nc")), QStringLiteral("a \\\"b\\\"\\\\\\nc"));
}

TEST(WindowSourceGenerator, SampleWindow)
{
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Find \"it\""));
    window.setGeometry(100, 120, 400, 300);
    window.setMinimumSize(200, 150);
    auto* content = new QWidget;
    window.setCentralWidget(content);

    auto* search = new QPushButton(QStringLiteral("Search"), content);
    search->setGeometry(10, 10, 80, 24);
    search->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    setActionTarget(search, "search:", nullptr);
    new QLabel(QStringLiteral("inside a button"), search); // a button's parts are not views
    auto* untitled = new QPushButton(content);
    untitled->setGeometry(100, 10, 80, 24);
    untitled->setCheckable(true);
    untitled->setChecked(true);
    auto* field = new QLineEdit(content);
    field->setGeometry(10, 40, 200, 22);
    field->setPlaceholderText(QStringLiteral("Name"));
    auto* box = new QGroupBox(QStringLiteral("Options"), content);
    box->setGeometry(10, 70, 300, 100);
    auto* label = new QLabel(QStringLiteral("Deep"), box);
    label->setGeometry(5, 20, 50, 16);
    label->setHidden(true);
    auto* busy = new QProgressBar(content);
    busy->setGeometry(10, 180, 100, 10);
    busy->setRange(0, 0);
    auto* bar = new QPushButton(QStringLiteral("Third"), box);
    bar->setGeometry(60, 20, 80, 24);

    const QString expected = QStringLiteral(
        "\tQMainWindow *mainwindow = new QMainWindow;\n"
        "\tmainwindow->setGeometry(100, 120, 400, 300);\n"
        "\tmainwindow->setWindowFlags(Qt::WindowFlags(0x1));\n"
        "\tmainwindow->setMinimumSize(200, 150);\n"
        "\tmainwindow->setMaximumSize(16777215, 16777215);\n"
        "\tmainwindow->setWindowTitle(QStringLiteral(\"Find \\\"it\\\"\"));\n"
        "\tQWidget *contentView = new QWidget;\n"
        "\tmainwindow->setCentralWidget(contentView);\n"
        "\tQPushButton *pushbutton = new QPushButton;\n"
        "\tpushbutton->setGeometry(10, 10, 80, 24);\n"
        "\tpushbutton->setSizePolicy(QSizePolicy::Policy(1), QSizePolicy::Policy(0));\n"
        "\tpushbutton->setText(QStringLiteral(\"Search\"));\n"
        "\tsorvant::setActionTarget(pushbutton, \"search:\", nullptr); // target:nil\n"
        "\tpushbutton->setShortcut(QKeySequence(QStringLiteral(\"Ctrl+F\")));\n"
        "\tpushbutton->setParent(contentView);\n\n"
        "\tQPushButton *pushbutton2 = new QPushButton;\n"
        "\tpushbutton2->setGeometry(100, 10, 80, 24);\n"
        "\tpushbutton2->setSizePolicy(QSizePolicy::Policy(1), QSizePolicy::Policy(0));\n"
        "\tpushbutton2->setText(QStringLiteral(\"\"));\n"
        "\tpushbutton2->setCheckable(true);\n"
        "\tpushbutton2->setChecked(true);\n"
        "\tpushbutton2->setParent(contentView);\n\n"
        "\tQLineEdit *lineedit = new QLineEdit;\n"
        "\tlineedit->setGeometry(10, 40, 200, 22);\n"
        "\tlineedit->setSizePolicy(QSizePolicy::Policy(7), QSizePolicy::Policy(0));\n"
        "\tlineedit->setPlaceholderText(QStringLiteral(\"Name\"));\n"
        "\tlineedit->setAlignment(Qt::Alignment(129));\n"
        "\tlineedit->setFrame(true);\n"
        "\tlineedit->setParent(contentView);\n\n"
        "\tQGroupBox *groupbox = new QGroupBox;\n"
        "\tgroupbox->setGeometry(10, 70, 300, 100);\n"
        "\tgroupbox->setSizePolicy(QSizePolicy::Policy(5), QSizePolicy::Policy(5));\n"
        "\tgroupbox->setTitle(QStringLiteral(\"Options\"));\n"
        "\tgroupbox->setFlat(false);\n"
        "\tgroupbox->setAlignment(1);\n"
        "\tgroupbox->setParent(contentView);\n\n"
        "\tQLabel *label = new QLabel;\n"
        "\tlabel->setGeometry(5, 20, 50, 16);\n"
        "\tlabel->setSizePolicy(QSizePolicy::Policy(5), QSizePolicy::Policy(5));\n"
        "\tlabel->setText(QStringLiteral(\"Deep\"));\n"
        "\tlabel->setAlignment(Qt::Alignment(129));\n"
        "\tlabel->setWordWrap(false);\n"
        "\tlabel->setHidden(true);\n"
        "\tlabel->setParent(groupbox);\n\n"
        "\tQPushButton *pushbutton3 = new QPushButton;\n"
        "\tpushbutton3->setGeometry(60, 20, 80, 24);\n"
        "\tpushbutton3->setSizePolicy(QSizePolicy::Policy(1), QSizePolicy::Policy(0));\n"
        "\tpushbutton3->setText(QStringLiteral(\"Third\"));\n"
        "\tpushbutton3->setParent(groupbox);\n\n"
        "\tQProgressBar *progressbar = new QProgressBar;\n"
        "\tprogressbar->setGeometry(10, 180, 100, 10);\n"
        "\tprogressbar->setSizePolicy(QSizePolicy::Policy(7), QSizePolicy::Policy(0));\n"
        "\tprogressbar->setOrientation(Qt::Orientation(1));\n"
        "\tprogressbar->setRange(0, 0);\n"
        "\tprogressbar->setParent(contentView);\n\n");
    EXPECT_EQ(windowGenerator(&window).toStdString(), expected.toStdString());

    busy->setRange(2, 40);
    const QString text = windowGenerator(&window);
    EXPECT_TRUE(text.contains(QStringLiteral("\tprogressbar->setMinimum(2);\n\tprogressbar->setMaximum(40);\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("setRange")));
    EXPECT_TRUE(windowGenerator(nullptr).isNull());
}

// Compiles each of `bodies` as the body of a function with the project's
// compiler; the compiler's messages when it fails, empty when it succeeds.
QString compilerErrors(const QStringList& bodies)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("generated.cpp"));
    QFile source(path);
    if (!source.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write ") + path;
    source.write("#include \"interface/controls.h\"\n#include <QtWidgets>\n");
    for (qsizetype index = 0; index < bodies.size(); ++index)
        source.write("\nvoid buildWindow" + QByteArray::number(index) + "()\n{\n" + bodies[index].toUtf8() + "}\n");
    source.close();
    QStringList arguments{QStringLiteral("-std=c++20"), QStringLiteral("-fPIC"), QStringLiteral("-fsyntax-only"),
                          QStringLiteral("-I" SORVANT_SOURCE_DIR)};
    const QStringList qtFolders = QStringLiteral(SORVANT_QT_INCLUDE_DIRS).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (const QString& qtFolder : qtFolders)
        arguments << QStringLiteral("-I") + qtFolder;
    arguments << path;
    QProcess compiler;
    compiler.setProcessChannelMode(QProcess::MergedChannels);
    compiler.start(QStringLiteral(SORVANT_CXX_COMPILER), arguments);
    if (!compiler.waitForFinished(120000))
        return QStringLiteral("the compiler did not finish");
    const QString output = QString::fromLocal8Bit(compiler.readAll());
    return compiler.exitStatus() == QProcess::NormalExit && compiler.exitCode() == 0 ? QString() : output;
}

// A plain QWidget window holding a plain QWidget declared "QWidget *widget"
// twice, so the generated code did not compile.
TEST(WindowSourceGenerator, GeneratedCodeCompilesForPlainWidgets)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Plain \"quoted\"\n"));
    auto* panel = new QWidget(&window);
    panel->setGeometry(0, 0, 200, 100);
    new QWidget(panel);
    auto* button = new QPushButton(QStringLiteral("Go \\ now"), panel);
    setActionTarget(button, "go:", nullptr);
    auto* box = new QGroupBox(QStringLiteral("Box"), &window);
    new QWidget(box);
    new QProgressBar(box);
    new QLabel(QStringLiteral("Label"), &window);
    new QLineEdit(&window);
    const QString text = windowGenerator(&window);
    EXPECT_TRUE(text.contains(QStringLiteral("\tQWidget *widget2 = new QWidget;\n")));

    QMainWindow main;
    auto* content = new QWidget;
    main.setCentralWidget(content);
    new QWidget(content);
    EXPECT_EQ(compilerErrors({text, windowGenerator(&main)}).toStdString(), "");
}

} // namespace
} // namespace sorvant
