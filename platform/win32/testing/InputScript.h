// Real mouse and keyboard input for tests of controls that follow the mouse on Windows: a thread
// of its own moves the cursor and holds or releases the left button and the shift key with
// SetCursorPos and SendInput, while the test's thread sits in a control's tracking loop, which
// polls the button state and the cursor.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace kestrune::platform::win32test {

inline constexpr uint32_t holdLeft = 1;
inline constexpr uint32_t holdShift = 8;

struct InputStep {
    int x = 0; // screen position the cursor moves to
    int y = 0;
    uint32_t held = 0;               // holdLeft and holdShift: what is down after this step
    uint32_t pauseMilliseconds = 20; // before the next step
    int tapKey = 0;                  // a virtual key pressed and released after the move
    // When set, the next step waits until this is true (at most `waitLimit` milliseconds).
    const std::atomic<bool>* waitFor = nullptr;
};

class InputScript {
public:
    static constexpr uint32_t waitLimit = 5000;

    // Starts playing the steps at once; whatever is still held at the end is released.
    explicit InputScript(std::vector<InputStep> steps);
    ~InputScript(); // waits for the script to end
    InputScript(const InputScript&) = delete;
    InputScript& operator=(const InputScript&) = delete;

    bool done() const { return finished_.load(); }
    // False when a waited-for flag never came true.
    bool allWaitsMet() const { return waitsMet_.load(); }

private:
    static unsigned long __stdcall run(void* self);
    void play();

    std::vector<InputStep> steps_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> waitsMet_{true};
    void* thread_ = nullptr;
};

} // namespace kestrune::platform::win32test
