// The drop target with data dragged in the software window system: effects, formats in order,
// the text block's size, unreadable names, delivery to the view under the cursor.
#include "graphics/DropTarget.h"
#include "graphics/Frame.h"
#include "platform/soft/SoftPlatform.h"
#include "tests/graphics/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace pf = platform;
namespace soft = platform::soft;

// A view that keeps what is dropped on it.
class Bin : public View {
public:
    explicit Bin(const GuiRect& r) : View(r) {}
    bool handleDrop(void** items, int count, int kind, GuiPoint& where) override {
        ++drops;
        lastKind = kind;
        lastCount = count;
        lastWhere = where;
        names.clear();
        if (kind == dropKindText)
            text = static_cast<const char*>(items[0]);
        else
            for (int i = 0; i < count; ++i)
                names.emplace_back(static_cast<const char*>(items[i]));
        return true;
    }
    int drops = 0;
    int lastKind = -1;
    int lastCount = -1;
    GuiPoint lastWhere;
    std::string text;
    std::vector<std::string> names;
};

class SoftDropTarget : public ::testing::Test {
protected:
    void SetUp() override {
        soft::resetWorld();
        testing::useTestModule();
        host = soft::createHostWindow({100, 100, 200, 200});
        frame = std::make_unique<Frame>(GuiRect{0, 0, 80, 80}, host, nullptr);
        bin = new Bin({10, 10, 50, 50});
        frame->addView(bin);
        target = soft::registeredDropTarget(frame->window);
        soft::setInput({{130, 125}, 0});
    }
    void TearDown() override {
        frame.reset();
        soft::resetWorld();
        EXPECT_EQ(soft::liveMemoryBlocks(), 0u) << "dropped data was not given back";
    }
    uint32_t enter(const soft::DragData& data, uint32_t keys) {
        pf::DataObject object = soft::createDragData(data);
        uint32_t effect = 77;
        target->DragEnter(object, keys, {130, 125}, &effect);
        soft::deleteDragData(object);
        return effect;
    }
    void drop(const soft::DragData& data) {
        pf::DataObject object = soft::createDragData(data);
        uint32_t effect = pf::dropEffectCopy;
        EXPECT_EQ(target->DragEnter(object, 0, {130, 125}, &effect), pf::resultOk);
        effect = pf::dropEffectCopy;
        EXPECT_EQ(target->Drop(object, 0, {130, 125}, &effect), pf::resultOk);
        EXPECT_EQ(effect, pf::dropEffectCopy) << "the drop leaves the effect as it was";
        soft::deleteDragData(object);
    }

    pf::Window host = nullptr;
    std::unique_ptr<Frame> frame;
    Bin* bin = nullptr;
    pf::DropTargetInterface* target = nullptr;
};

soft::DragData text(const std::string& t, size_t block = 0) {
    soft::DragData d;
    d.hasText = true;
    d.text = t;
    d.textBlockSize = block;
    return d;
}

soft::DragData files(std::vector<std::string> names, std::vector<uint32_t> unreadable = {}) {
    soft::DragData d;
    d.hasFiles = true;
    d.files = std::move(names);
    d.unreadable = std::move(unreadable);
    return d;
}

TEST_F(SoftDropTarget, TheFrameRegistersOneTargetForItsWindow) {
    ASSERT_NE(target, nullptr);
    EXPECT_TRUE(frame->dropRegistered);
    void* out = reinterpret_cast<void*>(1);
    const pf::Guid other = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    EXPECT_EQ(target->QueryInterface(other, &out), pf::resultNoInterface);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(target->QueryInterface(pf::interfaceDropTarget, &out), pf::resultOk);
    EXPECT_EQ(out, target);
    target->Release();
    EXPECT_EQ(target->QueryInterface(pf::interfaceUnknown, &out), pf::resultOk);
    target->Release();
    EXPECT_TRUE(frame->enableDropTarget(false));
    EXPECT_EQ(soft::registeredDropTarget(frame->window), nullptr);
    EXPECT_TRUE(frame->enableDropTarget(true));
    EXPECT_NE(soft::registeredDropTarget(frame->window), nullptr);
    target = soft::registeredDropTarget(frame->window);
}

TEST_F(SoftDropTarget, EffectIsCopyWithControlMoveWithoutAndNoneForOtherData) {
    EXPECT_EQ(enter(text("hi"), pf::keyStateControl), pf::dropEffectCopy);
    EXPECT_EQ(enter(text("hi"), 0), pf::dropEffectMove);
    EXPECT_EQ(enter(files({"/tmp/a.wav"}), 0), pf::dropEffectMove);
    EXPECT_EQ(enter(soft::DragData{}, pf::keyStateControl), pf::dropEffectNone);
    uint32_t effect = 5;
    target->DragOver(pf::keyStateControl, {0, 0}, &effect);
    EXPECT_EQ(effect, pf::dropEffectNone) << "the verdict of the last enter holds";
    target->DragEnter(nullptr, 0, {0, 0}, &effect);
    EXPECT_EQ(effect, pf::dropEffectNone);
}

TEST_F(SoftDropTarget, TextComesWithTheSizeOfItsMemoryBlock) {
    drop(text("abc", 16));
    ASSERT_EQ(bin->drops, 1);
    EXPECT_EQ(bin->lastKind, dropKindText);
    EXPECT_EQ(bin->lastCount, 16);
    EXPECT_EQ(bin->text, "abc");
    EXPECT_EQ(bin->lastWhere.h, 30) << "where the cursor is, in window coordinates";
    EXPECT_EQ(bin->lastWhere.v, 25);
}

TEST_F(SoftDropTarget, TextIsAskedForBeforeFiles) {
    soft::DragData both = files({"/tmp/a.wav"});
    both.hasText = true;
    both.text = "words";
    drop(both);
    EXPECT_EQ(bin->lastKind, dropKindText);
}

TEST_F(SoftDropTarget, UnreadableNamesAreLeftOutAndShortcutsComeAsDropped) {
    drop(files({"/tmp/a.wav", "/tmp/broken", "/tmp/Link.LNK"}, {1}));
    ASSERT_EQ(bin->drops, 1);
    EXPECT_EQ(bin->lastKind, dropKindFiles);
    EXPECT_EQ(bin->lastCount, 2);
    EXPECT_EQ(bin->names, (std::vector<std::string>{"/tmp/a.wav", "/tmp/Link.LNK"}));
}

TEST_F(SoftDropTarget, ADropWhileATextFieldHasTheFocusIsRefused) {
    View field({60, 60, 70, 70});
    frame->moveFocusTo(&field);
    drop(text("abc"));
    EXPECT_EQ(bin->drops, 0);
    frame->moveFocusTo(nullptr);
    soft::setInput({{100 + 70, 100 + 70}, 0}); // outside every view
    drop(text("abc"));
    EXPECT_EQ(bin->drops, 0);
}

TEST_F(SoftDropTarget, WithoutAFrameNothingIsDeliveredAndTheAnswerIsStillOk) {
    DropTarget* lonely = new DropTarget(nullptr);
    lonely->AddRef();
    pf::DataObject object = soft::createDragData(text("abc"));
    uint32_t effect = 0;
    EXPECT_EQ(lonely->Drop(object, 0, {0, 0}, &effect), pf::resultOk);
    soft::deleteDragData(object);
    EXPECT_EQ(lonely->Release(), 0u);
}

TEST(Shortcuts, OnlyNamesEndingInLnkAreResolved) {
    char plain[droppedNameCapacity] = "/tmp/lnk.wav";
    EXPECT_FALSE(resolveShortcut(plain));
    EXPECT_STREQ(plain, "/tmp/lnk.wav");
    char noDot[droppedNameCapacity] = "/tmp/lnk";
    EXPECT_FALSE(resolveShortcut(noDot));
    EXPECT_FALSE(resolveShortcut(nullptr));
}

} // namespace
} // namespace kestrune
