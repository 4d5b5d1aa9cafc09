#include "system/apple_script.h"

#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"
#include "tests/system/fake_script_engine.h"

#include <gtest/gtest.h>

#include <thread>

namespace sorvant {
namespace {

TEST(AppleScriptTest, ShippedEngineAnswersEveryCompileWithAnError)
{
    test::LogCapture log;
    QVariantMap error;
    EXPECT_FALSE(compileAndExecuteSource("return 1", QString(), false, &error));
    EXPECT_EQ(scriptErrorMessage(error).toString(), "AppleScript is not available on this system");
    EXPECT_EQ(scriptErrorNumber(error).toInt(), kScriptUnavailableError);
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(compileAndExecuteFileFunctionParam("/x.scpt", QString(), nullptr, "run", "a"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("Invalid script: /x.scpt\n{"));
    EXPECT_FALSE(compileAndExecuteSource("return 1", "NoSuchLanguage", false, &error));
}

class ScriptCacheTest : public ::testing::Test
{
protected:
    test::ScopedScriptEngine fake;
    test::LogCapture log;
};

TEST_F(ScriptCacheTest, StaticScriptsCompileOnceWhileCachingIsOn)
{
    for (const bool caching : {false, true}) {
        SCOPED_TRACE(caching);
        setUseCachingForStaticScripts(caching);
        fake.engine->compiles = 0;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(compileAndExecuteSource("get 1", QString(), true, nullptr)->stringValue(), "get 1");
        EXPECT_EQ(fake.engine->compiles, caching ? 1 : 3);
        EXPECT_EQ(cachedStaticScriptCount(), caching ? 1 : 0);
        compileAndExecuteSource("get 2", QString(), false, nullptr);
        EXPECT_EQ(cachedStaticScriptCount(), caching ? 1 : 0);
    }
    clearCacheForStaticScripts();
    EXPECT_EQ(cachedStaticScriptCount(), 0);
    EXPECT_TRUE(usesCachingForStaticScripts());
}

TEST_F(ScriptCacheTest, FailedCompilesAreNeverStoredAndReportedOnce)
{
    setUseCachingForStaticScripts(true);
    QVariantMap error {{"untouched", 1}};
    EXPECT_FALSE(compileAndExecuteSource("syntax error", QString(), true, &error));
    EXPECT_EQ(scriptErrorNumber(error).toInt(), -2741);
    EXPECT_FALSE(error.contains("untouched"));
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(cachedStaticScriptCount(), 0);
    EXPECT_FALSE(compileAndExecuteSource("syntax error", QString(), true, nullptr));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("Invalid script: syntax error\n{"));
    EXPECT_TRUE(log.lines().first().contains("Expected end of line"));

    QVariantMap kept {{"kept", 1}};
    EXPECT_TRUE(compileAndExecuteSource("fine", QString(), true, &kept));
    EXPECT_TRUE(kept.contains("kept"));
    EXPECT_FALSE(compileAndExecuteSource(QString(), QString(), true, &kept));
    EXPECT_FALSE(compileAndExecuteSourceFunction("fine", QString(), true, &kept, QString(), nullptr));
    EXPECT_EQ(fake.engine->compiles, 3);
}

TEST_F(ScriptCacheTest, HandlerCallsCarryLowerCasedNamesAndArgumentLists)
{
    const auto result = compileAndExecuteSourceFunctionParams("on showInfo(p)", QString(), false, nullptr, "showInfo",
                                                              {"/a", 2, QVariant(), "ignored"});
    EXPECT_EQ(result->stringValue(), "showinfo");
    compileAndExecuteSourceFunctionParams("s", QString(), false, nullptr, "Run", {QVariant(), "x"});
    compileAndExecuteSourceFunctionParam("s", QString(), false, nullptr, "One", "only");
    ASSERT_EQ(fake.engine->events.size(), 3);
    const AppleEventDescriptor& first = fake.engine->events[0];
    EXPECT_EQ(first.eventClass(), fourCharCode("ascr"));
    EXPECT_EQ(first.eventID(), fourCharCode("psbr"));
    EXPECT_EQ(first.target()->descriptorType(), typeKernelProcessID);
    EXPECT_EQ(*first.descriptorForKeyword(keyDirectObject)->arrayValueWithStrings(), (QStringList {"/a", "2"}));
    EXPECT_FALSE(fake.engine->events[1].descriptorForKeyword(keyDirectObject)); // no empty list either
    EXPECT_EQ(fake.engine->events[2].descriptorForKeyword(keyDirectObject)->numberOfItems(), 1);

    QVariantMap error;
    EXPECT_FALSE(compileAndExecuteSourceFunction("s", QString(), false, &error, "fails", nullptr));
    EXPECT_EQ(scriptErrorNumber(error).toInt(), 7);
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(compileAndExecuteSourceFunction("s", QString(), false, nullptr, "fails", nullptr));
    EXPECT_EQ(log.lines(), QStringList {"on fails: {OSAScriptErrorMessageKey = handler failed; OSAScriptErrorNumberKey = 7;}"});
}

TEST_F(ScriptCacheTest, ScriptFilesAreCachedByPathAndReadAsText)
{
    test::TempTree tree;
    const QString compiled = tree.writeFile("mail.scpt", "compiled body");
    setUseCachingForStaticScripts(true);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(compileAndExecuteFileFunctionParams(compiled, QString(), nullptr, "sendMail", {"x"})->stringValue(),
                  "sendmail");
    EXPECT_EQ(fake.engine->compiles, 1);
    EXPECT_EQ(sourceAtPath(compiled), "compiled body");
    const QString text = tree.writeFile("plain.applescript", "display dialog \"é\"");
    EXPECT_EQ(sourceAtPath(text), "display dialog \"é\"");
    EXPECT_TRUE(sourceAtPath(tree.writeFile("x.txt", "t")).isNull());
}

TEST_F(ScriptCacheTest, ExecuteFunctionOnAHeldScript)
{
    auto script = newScriptWithSource("held", QString());
    QVariantMap error {{"x", 1}};
    EXPECT_FALSE(executeFunction(*script, QString(), &error, nullptr));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(executeFunctionParams(*script, "Go", nullptr, {1, 2})->stringValue(), "go");
}

TEST_F(ScriptCacheTest, EngineExceptionsAreLoggedAndAnswerNil)
{
    fake.engine->throwOnRun = true;
    EXPECT_FALSE(compileAndExecuteSource("boom", QString(), false, nullptr));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("compileAndExecuteSource:language:isStatic:error: (NSAppleScript): "));
}

TEST_F(ScriptCacheTest, SwitchingOffTheMainThreadWarns)
{
    std::thread worker([] { setUseCachingForStaticScripts(true); });
    worker.join();
    EXPECT_TRUE(usesCachingForStaticScripts());
    ASSERT_GE(log.lines().size(), 2);
    EXPECT_EQ(log.lines().first(), "WARNING: setUseCachingForStaticScripts: should be called from main thread.");
}

} // namespace
} // namespace sorvant
