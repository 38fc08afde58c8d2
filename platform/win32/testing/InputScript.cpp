// Plays scripted input on a thread of its own (see InputScript.h).
#include "platform/win32/testing/InputScript.h"

#include <windows.h>

namespace kestrune::platform::win32test {

namespace {

void sendButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

void sendShift(bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_SHIFT;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

void tap(int virtualKey) {
    INPUT inputs[2]{};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = WORD(virtualKey);
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof inputs[0]);
}

void apply(uint32_t before, uint32_t after) {
    // Keys go down before the button and come up after it, as a hand would do it.
    if ((after & holdShift) && !(before & holdShift))
        sendShift(true);
    if ((after & holdLeft) != (before & holdLeft))
        sendButton((after & holdLeft) != 0);
    if (!(after & holdShift) && (before & holdShift))
        sendShift(false);
}

} // namespace

InputScript::InputScript(std::vector<InputStep> steps) : steps_(std::move(steps)) {
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    if (!thread_)
        finished_ = true;
}

InputScript::~InputScript() {
    if (thread_) {
        WaitForSingleObject(static_cast<HANDLE>(thread_), INFINITE);
        CloseHandle(static_cast<HANDLE>(thread_));
    }
}

unsigned long __stdcall InputScript::run(void* self) {
    static_cast<InputScript*>(self)->play();
    return 0;
}

void InputScript::play() {
    uint32_t held = 0;
    for (const InputStep& step : steps_) {
        SetCursorPos(step.x, step.y);
        apply(held, step.held);
        held = step.held;
        if (step.tapKey)
            tap(step.tapKey);
        Sleep(step.pauseMilliseconds);
        if (step.waitFor) {
            DWORD start = GetTickCount();
            while (!step.waitFor->load()) {
                if (GetTickCount() - start > waitLimit) {
                    waitsMet_ = false;
                    break;
                }
                Sleep(2);
            }
        }
    }
    apply(held, 0);
    finished_ = true;
}

} // namespace kestrune::platform::win32test
