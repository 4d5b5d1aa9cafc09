#include "platform/property_list_path.h"
#include "platform/unicode.h"

#include <QThread>

#include <gtest/gtest.h>

#include <memory>

using namespace sorvant;

namespace {

using Step = PropertyListPath::Step;

PropertyListPath pathOf(const QList<Step>& steps)
{
    PropertyListPath path;
    for (const Step& step : steps)
        path = path.appended(step);
    return path;
}

Step key(const QString& text)
{
    return Step::ofKey(text);
}

Step index(qsizetype at)
{
    return Step::ofIndex(at);
}

// The steps joined whole, then cut in the middle between whole characters
// and outside every "\\0": the text a path gives, made the slow way.
QString joinedAndCut(const QList<Step>& steps)
{
    QString whole;
    QList<qsizetype> escapes;
    for (const Step& step : steps) {
        if (&step != &steps.first())
            whole += QLatin1Char('/');
        if (step.isIndex()) {
            whole += QString::number(step.index);
            continue;
        }
        for (const QChar c : step.key) {
            if (c.isNull())
                escapes.append(whole.size());
            whole += c.isNull() ? QStringLiteral("\\0") : QString(c);
        }
    }
    constexpr qsizetype kHalf = PropertyListPath::kLongestText / 2;
    if (whole.size() <= PropertyListPath::kLongestText)
        return whole;
    qsizetype head = kHalf;
    while (unicode::characterBoundary(whole, head, false) != head || escapes.contains(head - 1))
        --head;
    qsizetype tail = whole.size() - kHalf;
    while (unicode::characterBoundary(whole, tail, true) != tail || escapes.contains(tail - 1))
        ++tail;
    return whole.left(head) + QStringLiteral("…") + whole.mid(tail);
}

const QString kNul(1, QChar(0));
const QString kFace = QString::fromUtf8("\xF0\x9F\x98\x80"); // a surrogate pair

TEST(PropertyListPathTest, TextJoinsTheStepsAndCutsItsMiddle)
{
    const struct {
        const char* name;
        QList<Step> steps;
        QString text;
    } cases[] = {
        {"root", {}, ""},
        {"keys and an index", {key("Window"), index(2), key("Title")}, "Window/2/Title"},
        {"a NUL", {key("a" + kNul + "b")}, "a\\0b"},
        {"empty keys", {key(""), key("")}, "/"},
        {"a null key", {key(QString())}, ""},
        {"160 characters, whole", {key(QString(100, 'a')), key(QString(59, 'b'))},
         QString(100, 'a') + "/" + QString(59, 'b')},
        {"161 characters, cut", {key(QString(100, 'a')), key(QString(60, 'b'))},
         QString(80, 'a') + "…" + QString(19, 'a') + "/" + QString(60, 'b')},
        {"one long key at three levels", QList<Step>(3, key(QString(1000000, 'K'))),
         QString(80, 'K') + "…" + QString(80, 'K')},
        {"a NUL at the front's cut, left out whole", {key(QString(79, 'x') + kNul + QString(200, 'y'))},
         QString(79, 'x') + "…" + QString(80, 'y')},
        {"a NUL at the back's cut, left out whole", {key(QString(200, 'y') + kNul + QString(79, 'x'))},
         QString(80, 'y') + "…" + QString(79, 'x')},
        {"an index cut at both ends",
         {key(QString(78, 'x')), index(123456), key(QString(100, 'z')), index(987654), key(QString(76, 'w'))},
         QString(78, 'x') + "/1…654/" + QString(76, 'w')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pathOf(c.steps).text(), c.text);
        EXPECT_EQ(pathOf(c.steps).text(), joinedAndCut(c.steps));
    }
}

// Wherever the cut falls, among short steps, NULs, pairs and indices, the
// text is the one the whole join cut gives.
TEST(PropertyListPathTest, TextIsTheWholeJoinCutWhereverTheCutFalls)
{
    const QList<Step> pieces{key("ab"), key(kNul), index(7), key(kFace + "c"),
                             key(""), index(12345), key("d" + kNul + kNul)};
    for (int count = 0; count < 80; ++count) {
        QList<Step> steps;
        for (int i = 0; i < count; ++i)
            steps.append(pieces.at((i * 5 + count) % pieces.size()));
        SCOPED_TRACE(count);
        EXPECT_EQ(pathOf(steps).text(), joinedAndCut(steps));
    }
}

// Regression: the cut fell wherever the 80th character from either end
// did, splitting a surrogate pair (shown "?" or U+FFFD), a letter from its
// accent, a flag, or a spelt "\\0". Each cut now keeps or leaves out a
// whole character.
TEST(PropertyListPathTest, TextIsCutOnlyBetweenWholeCharacters)
{
    const QString accent = QStringLiteral("e\u0301");
    const QString flag = QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA"); // two regional indicators
    const QString a79(79, 'a');
    const QString b200(200, 'b');
    const QString b80(80, 'b');
    const struct {
        const char* name;
        QString key;
        QString text;
    } cases[] = {
        {"a pair across the front's cut", a79 + kFace + b200, a79 + "…" + b80},
        {"a pair across the back's cut", b200 + kFace + a79, b80 + "…" + a79},
        {"a pair just inside the front", QString(78, 'a') + kFace + b200, QString(78, 'a') + kFace + "…" + b80},
        {"an accent across the front's cut", a79 + accent + b200, a79 + "…" + b80},
        {"an accent across the back's cut", b200 + accent + a79, b80 + "…" + a79},
        {"a flag across the front's cut", QString(78, 'a') + flag + b200, QString(78, 'a') + "…" + b80},
        {"a NUL across the front's cut", a79 + kNul + b200, a79 + "…" + b80},
        {"a NUL just inside the front", QString(78, 'a') + kNul + b200, QString(78, 'a') + "\\0…" + b80},
        {"a NUL across the back's cut", b200 + kNul + a79, b80 + "…" + a79},
        {"a NUL just inside the back", b200 + kNul + QString(78, 'a'), b80 + "…\\0" + QString(78, 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = pathOf({key(c.key)}).text();
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text, joinedAndCut({key(c.key)}));
    }
}

TEST(PropertyListPathTest, PathsBelowAndContinuedHoldTheirSteps)
{
    const PropertyListPath abc = pathOf({key("a"), key("b"), index(2)});
    const PropertyListPath xy = pathOf({key("x"), index(9)});
    const struct {
        const char* name;
        PropertyListPath path;
        QList<Step> steps;
    } cases[] = {
        {"after 1", abc.after(1), {key("b"), index(2)}},
        {"after 0", abc.after(0), {key("a"), key("b"), index(2)}},
        {"after all", abc.after(3), {}},
        {"after more", abc.after(5), {}},
        {"continued", abc + xy, {key("a"), key("b"), index(2), key("x"), index(9)}},
        {"root continued", PropertyListPath() + xy, {key("x"), index(9)}},
        {"continued by the root", xy + PropertyListPath(), {key("x"), index(9)}},
        {"continued, then after", (abc + xy).after(2), {index(2), key("x"), index(9)}},
        {"after, continued, after", (xy + abc.after(1)).after(1), {index(9), key("b"), index(2)}},
        {"continued and appended", (abc.after(2) + xy).appended(key("z")), {index(2), key("x"), index(9), key("z")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.path.steps(), c.steps);
        EXPECT_EQ(c.path.size(), c.steps.size());
        EXPECT_EQ(c.path.text(), joinedAndCut(c.steps));
    }
}

// A path continued by its own parts thousands of times, as shared values
// met again inside each other are, is freed without a frame of stack for
// each: here on a stack of 512 KB, which that would overrun many times.
TEST(PropertyListPathTest, ALongChainOfPathsIsFreedWithoutRecursion)
{
    bool freed = false;
    std::unique_ptr<QThread> thread(QThread::create([&freed] {
        PropertyListPath path = pathOf({key("a")});
        for (int i = 0; i < 50000; ++i)
            path = (pathOf({index(i)}) + path).after(1);
        EXPECT_EQ(path.steps(), QList<Step>{key("a")});
        path = {};
        freed = path.isEmpty();
    }));
    thread->setStackSize(512 * 1024);
    thread->start();
    thread->wait();
    EXPECT_TRUE(freed);
}

} // namespace
