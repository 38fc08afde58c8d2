// A host and the plug-in library it loads share one software window system: the editor's frame
// appears in the host's window, drawn from the library's own bitmap resources.
#include "platform/soft/SoftPlatform.h"
#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

namespace pf = platform;
namespace soft = platform::soft;

TEST(SharedWindowSystem, PluginEditorOpensInTheHostsWindow) {
    soft::resetWorld();
    testhost::RecordingHost host;
    testhost::PluginLibrary library(testhost::PluginLibrary::builtPlugin("kestrune_frame_plugin"));
    ASSERT_TRUE(library.loaded()) << library.error();
    AEffect* effect = library.create(testhost::RecordingHost::callback);
    ASSERT_NE(effect, nullptr);
    EXPECT_NE(effect->flags & effFlagsHasEditor, 0);
    testhost::dispatch(effect, effOpen);
    ERect* rect = nullptr;
    ASSERT_EQ(testhost::dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 60) << "the library loaded its own bitmap";
    EXPECT_EQ(rect->bottom, 40);

    pf::Window window = soft::createHostWindow({50, 50, 150, 120});
    testhost::dispatch(effect, effEditOpen, 0, 0, window);
    std::vector<pf::Window> children = soft::childWindows(window);
    ASSERT_EQ(children.size(), 1u);
    soft::pumpMessages();
    EXPECT_EQ(soft::windowPixel(children[0], 15, 15), pf::colorValue(0, 153, 0));
    EXPECT_NE(soft::registeredDropTarget(children[0]), nullptr);
    testhost::dispatch(effect, effEditIdle);
    testhost::dispatch(effect, effEditClose);
    EXPECT_TRUE(soft::childWindows(window).empty());
    testhost::dispatch(effect, effClose);
    soft::resetWorld();
}

} // namespace
} // namespace kestrune
