#include "system/sibling_products.h"

#include "tests/system/desktop_test_support.h"
#include "tests/system_dbus/fake_bus_service.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(SiblingProductsOverDBus, NotesAndFilesReachTheApplicationsObject)
{
    SORVANT_SKIP_WITHOUT_SESSION_BUS();
    test::DesktopHome desktop;
    test::FakeBusService service("com.velmor-works.quirrel3");
    ASSERT_TRUE(service.isRegistered());
    desktop.writeApplication("com.velmor-works.quirrel3.desktop", "Quirrel 3", "", "DBusActivatable=true\n");
    ASSERT_TRUE(addTamsettItemsToQuirrel(QVariantList {QVariantMap {{"title", "Note"}}}));
    ASSERT_TRUE(addFilesToQuirrel({"/x/a.pdf"}));
    const QList<test::RecordedCall> calls = service.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].path, "/com/velmor_works/quirrel3");
    EXPECT_EQ(calls[0].member, "ActivateAction");
    EXPECT_EQ(calls[0].arguments.value(0).toString(), "take-rich-note");
    EXPECT_EQ(calls[1].member, "Open");
    EXPECT_EQ(calls[1].arguments.value(0).toStringList(), QStringList({"file:///x/a.pdf"}));
}

} // namespace
} // namespace sorvant
