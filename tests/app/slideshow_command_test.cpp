// The Slideshow command (Ctrl+Alt+Y) starts the slide show from the window,
// whether or not the preview is open.

#include "app/search_window_commands.h"
#include "interface/preview_window.h"
#include "interface/quick_look.h"
#include "tests/app/app_test_support.h"

namespace sorvant::test {
namespace {

using SlideshowCommandTest = AppFixture;

// Regression: with the preview open, Slideshow closed it, and only a second
// press started the slide show.
TEST_F(SlideshowCommandTest, SlideshowStartsWhetherOrNotThePreviewIsOpen)
{
    for (const char* name : {"item-a.txt", "item-b.txt", "item-c.txt"})
        tree.writeFile(QStringLiteral("r/") + QString::fromLatin1(name), "text");
    auto window = shownWindowAfterSearch(QStringLiteral("item"), tree.filePath(QStringLiteral("r")));
    ASSERT_TRUE(window);
    ASSERT_TRUE(waitForRows(*window->resultsTable()->model(), 3));
    QAction* quickLook = window->commands().command("toggleQuickLookAction");
    QAction* slideshow = window->commands().command("toggleSlideshowAction");
    ASSERT_TRUE(quickLook && slideshow);
    QuickLookController& preview = QuickLookController::sharedController();
    for (const bool previewOpen : {false, true}) {
        SCOPED_TRACE(previewOpen ? "preview open" : "preview closed");
        window->resultsTable()->selectRows({0, 1, 2});
        window->commands().update();
        if (previewOpen) {
            quickLook->trigger();
            ASSERT_TRUE(preview.isOpen());
            ASSERT_FALSE(preview.sharedPanel()->playsSlideShow());
        }
        slideshow->trigger();
        EXPECT_TRUE(preview.isOpen());
        EXPECT_TRUE(preview.sharedPanel()->playsSlideShow());
        // A second press ends the slide show it started.
        window->commands().update();
        slideshow->trigger();
        EXPECT_FALSE(preview.isOpen());
    }
}

} // namespace
} // namespace sorvant::test
