// What the graphics tests share: the module whose bitmap resources they load, and a stub effect.
#pragma once

#include "platform/Platform.h"
#include "shell/PluginEffectExt.h"
#include "shell/PluginEntry.h"
#include "tests/platform/PlatformTestSupport.h"

namespace kestrune::testing {

// Test bitmaps compiled into the test program (tests/graphics/data).
constexpr int spriteId = 100;   // 16 x 12, 8 bits: white key around a disc and a bar
constexpr int gradientId = 101; // 40 x 30, 24 bits: (6x, 8y, 100)
constexpr int checkerId = 102;  // 8 x 8, one bit
constexpr int panelId = 103;    // 60 x 40, 24 bits: grey panel with a green block

inline platform::ColorValue gradientAt(int x, int y) {
    return platform::colorValue(uint8_t(x * 6), uint8_t(y * 8), 100);
}

// Makes the test program the module that bitmaps load from.
inline void useTestModule() {
    static int anchor = 0;
    moduleInstance = platform::moduleOfAddress(&anchor);
}

// An effect with nothing to process, for editors and frames to talk to.
class StubEffect : public PluginEffectExt {
public:
    explicit StubEffect(audioMasterCallback host) : PluginEffectExt(host, 1, 1) {}
    void processAccumulate(float**, float**, int32_t) override {}
};

} // namespace kestrune::testing
