// What the real-window tests drive on Windows: a top-level window standing for a host's, the
// message loop, real mouse input, pixels read back from a window.
#pragma once

#include "platform/Platform.h"

namespace kestrune::platform::win32test {

Window createTopLevelWindow(int x, int y, int width, int height);
// Dispatches queued messages, for at least `milliseconds`; answers how many were handled.
int pumpMessages(uint32_t milliseconds);
// Moves the cursor and presses the left button as the hardware would (SetCursorPos + SendInput).
bool pressAt(int x, int y);
bool releaseButton();
ColorValue windowPixel(Window window, int x, int y);
// The first child window of a window (an editor's frame inside a host window), or null.
Window firstChildWindow(Window parent);

} // namespace kestrune::platform::win32test
