#include "controls/View.h"
#include "shell/VstInterface.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

// A view that tells when it is painted and destroyed.
class Probe : public View {
public:
    Probe(const GuiRect& r, int* paints, bool* destroyed)
        : View(r), paints_(paints), destroyed_(destroyed) {}
    ~Probe() override {
        if (destroyed_)
            *destroyed_ = true;
    }
    void paint(GraphicsContext* context) override {
        ++*paints_;
        View::paint(context);
    }

private:
    int* paints_;
    bool* destroyed_;
};

TEST(View, StartsWithItsBoundsAsMouseAreaAndOneHolder) {
    View* view = new View({10, 20, 30, 40});
    GuiRect area;
    view->copyMouseArea(area);
    EXPECT_EQ(area.left, 10);
    EXPECT_EQ(area.bottom, 40);
    EXPECT_EQ(view->countReferences(), 1);
    EXPECT_TRUE(view->acceptsMouse());
    EXPECT_FALSE(view->isSeeThrough());
    EXPECT_FALSE(view->needsRepaint());
    EXPECT_EQ(view->frameEditor(), nullptr);
    EXPECT_EQ(view->onMessage(nullptr, kMsgCheckIfViewContainer), 0);
    view->release();
}

TEST(View, OverlapCountsTouchingRectanglesAndHitsIncludeAllEdges) {
    View view({10, 20, 30, 40});
    struct Case {
        GuiRect area;
        bool overlaps;
    };
    for (const Case& c :
         {Case{{30, 40, 50, 60}, true}, Case{{31, 20, 50, 40}, false}, Case{{0, 0, 10, 20}, true},
          Case{{0, 0, 9, 50}, false}, Case{{15, 25, 16, 26}, true}})
        EXPECT_EQ(view.overlapsArea(c.area), c.overlaps)
            << c.area.left << "," << c.area.top << "," << c.area.right << "," << c.area.bottom;
    struct Hit {
        GuiPoint p;
        bool hit;
    };
    for (const Hit& h :
         {Hit{{30, 40}, true}, Hit{{10, 20}, true}, Hit{{31, 40}, false}, Hit{{20, 41}, false}}) {
        GuiPoint p = h.p;
        EXPECT_EQ(view.isHitAt(p, 0), h.hit) << p.h << "," << p.v;
    }
}

TEST(View, NewBoundsKeepTheMouseAreaAndAskForARepaint) {
    View view({10, 20, 30, 40});
    view.setBounds({0, 0, 5, 5});
    GuiRect area;
    view.copyMouseArea(area);
    EXPECT_EQ(area.right, 30);
    EXPECT_TRUE(view.needsRepaint());
}

TEST(View, RepaintIfNeededPaintsOnlyAMarkedView) {
    int paints = 0;
    Probe view({0, 0, 5, 5}, &paints, nullptr);
    view.repaintIfNeeded(nullptr);
    EXPECT_EQ(paints, 0);
    view.markForRepaint(true);
    view.repaintIfNeeded(nullptr);
    EXPECT_EQ(paints, 1);
    EXPECT_FALSE(view.needsRepaint());
}

TEST(View, ReleaseDestroysAtZeroAndIgnoresACountAlreadyAtZero) {
    int paints = 0;
    bool destroyed = false;
    Probe* view = new Probe({0, 0, 1, 1}, &paints, &destroyed);
    view->addReference();
    view->release();
    EXPECT_FALSE(destroyed);
    view->release();
    EXPECT_TRUE(destroyed);

    View still({0, 0, 1, 1});
    still.referenceCount = 0;
    still.release();
    EXPECT_EQ(still.countReferences(), 0);
}

TEST(View, BaseOperationsAnswerNotHandled) {
    View view({0, 0, 10, 10});
    VstKeyCode key{0, 13, 0};
    GuiPoint where{1, 1};
    EXPECT_EQ(view.handleKeyPress(key), -1);
    EXPECT_EQ(view.handleKeyRelease(key), -1);
    EXPECT_FALSE(view.handleDrop(nullptr, 0, 0, where));
    EXPECT_FALSE(view.handleWheel(nullptr, where, 1.0f));
    EXPECT_TRUE(view.attachedTo(nullptr));
    EXPECT_TRUE(view.detachedFrom(nullptr));
}

} // namespace
} // namespace kestrune
