#include "Snapshot.h"

#include "platform/soft/SoftPlatform.h"
#include "shell/VstInterface.h"

#include <cmath>
#include <dlfcn.h>
#include <mutex>

namespace kestrune::snapshot {

namespace pf = kestrune::platform;
namespace soft = kestrune::platform::soft;

namespace {

// Where the host window stands on the (software) screen.
constexpr int kScreenX = 40;
constexpr int kScreenY = 30;

std::mutex hostMutex;
std::vector<int32_t>* hostLog = nullptr;

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    if (hostLog && opcode != audioMasterVersion && opcode != audioMasterIdle) {
        hostLog->push_back(opcode);
    }
    return opcode == audioMasterVersion ? 2400 : 0;
}

intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

class Library {
public:
    explicit Library(const std::string& path)
        : handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (handle) {
            dlclose(handle);
        }
    }
    VstEntryProc entry() const {
        if (!handle) {
            return nullptr;
        }
        void* found = dlsym(handle, "VSTPluginMain");
        if (!found) {
            found = dlsym(handle, "main");
        }
        return reinterpret_cast<VstEntryProc>(found);
    }
    void* handle;
};

void processTone(AEffect* effect, double seconds, float amplitude) {
    constexpr int block = 512;
    const int channels = effect->numInputs;
    std::vector<std::vector<float>> in(channels, std::vector<float>(block));
    std::vector<std::vector<float>> out(effect->numOutputs, std::vector<float>(block));
    std::vector<float*> inputs, outputs;
    for (auto& channel : in) {
        inputs.push_back(channel.data());
    }
    for (auto& channel : out) {
        outputs.push_back(channel.data());
    }
    const long frames = static_cast<long>(seconds * 44100.0);
    long done = 0;
    while (done < frames) {
        for (int i = 0; i < block; ++i) {
            const double t = static_cast<double>(done + i) / 44100.0;
            const float sample = amplitude * static_cast<float>(std::sin(2.0 * M_PI * 220.0 * t));
            for (auto& channel : in) {
                channel[i] = sample;
            }
        }
        effect->processReplacing(effect, inputs.data(), outputs.data(), block);
        done += block;
    }
}

void idle(AEffect* effect, int ticks) {
    for (int i = 0; i < ticks; ++i) {
        dispatch(effect, effEditIdle);
        soft::advanceClock(20);
        soft::pumpMessages();
    }
}

void perform(const Gesture& gesture) {
    const uint32_t modifiers = gesture.shift ? soft::shiftKey : 0u;
    const uint32_t held = soft::leftButton | modifiers;
    auto at = [](int x, int y) { return pf::Point{kScreenX + x, kScreenY + y}; };
    // The press (posted to the window under the cursor as the first state applies), the moves the
    // control's tracking loop reads, and the release that ends it.
    std::vector<soft::InputState> script;
    script.push_back({at(gesture.fromX, gesture.fromY), held, 10, 2});
    const int steps = gesture.steps < 1 ? 1 : gesture.steps;
    for (int step = 1; step <= steps; ++step) {
        const int x = gesture.fromX + (gesture.toX - gesture.fromX) * step / steps;
        const int y = gesture.fromY + (gesture.toY - gesture.fromY) * step / steps;
        script.push_back({at(x, y), held, 10, 2});
    }
    script.push_back({at(gesture.toX, gesture.toY), modifiers, 10, 1});
    soft::scriptInput(script);
    soft::pumpMessages();
    soft::setInput({at(gesture.toX, gesture.toY), 0, 0, 1});
    soft::pumpMessages();
}

} // namespace

Result take(const Request& request) {
    Result result;
    std::lock_guard<std::mutex> lock(hostMutex);
    soft::resetWorld();

    Library library(request.pluginPath);
    VstEntryProc entry = library.entry();
    if (!entry) {
        result.error = "cannot load a plug-in entry from " + request.pluginPath;
        return result;
    }
    hostLog = &result.hostOpcodes;
    AEffect* effect = entry(hostCallback);
    if (!effect || effect->magic != kEffectMagic) {
        hostLog = nullptr;
        result.error = "the plug-in gave no effect";
        return result;
    }
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(effect, effSetBlockSize, 0, 512);
    dispatch(effect, effMainsChanged, 0, 1);
    if (request.program >= 0) {
        dispatch(effect, effSetProgram, 0, request.program);
    }
    for (const auto& [index, value] : request.params) {
        effect->setParameter(effect, index, value);
    }

    ERect* rect = nullptr;
    dispatch(effect, effEditGetRect, 0, 0, &rect);
    const int width = rect ? rect->right - rect->left : 0;
    const int height = rect ? rect->bottom - rect->top : 0;
    pf::Window hostWindow =
        soft::createHostWindow(pf::Rect{kScreenX, kScreenY, kScreenX + width, kScreenY + height});
    if (!hostWindow || dispatch(effect, effEditOpen, 0, 0, hostWindow) == 0) {
        result.error = "the editor did not open";
    } else {
        soft::pumpMessages();
        idle(effect, 2);
        if (request.toneSeconds > 0.0) {
            processTone(effect, request.toneSeconds, request.toneAmplitude);
        }
        for (const Gesture& gesture : request.gestures) {
            perform(gesture);
            idle(effect, 1);
        }
        idle(effect, request.idleTicks);

        result.width = width;
        result.height = height;
        result.pixels.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                result.pixels[static_cast<size_t>(y) * width + x] =
                    soft::windowPixel(hostWindow, x, y);
            }
        }
        result.ok =
            request.outputPng.empty() || soft::writeWindowPng(hostWindow, request.outputPng);
        if (!result.ok) {
            result.error = "cannot write " + request.outputPng;
        }
        dispatch(effect, effEditClose);
    }
    for (int32_t index = 0; index < effect->numParams; ++index) {
        result.paramValues.push_back(effect->getParameter(effect, index));
    }
    dispatch(effect, effMainsChanged, 0, 0);
    dispatch(effect, effClose);
    hostLog = nullptr;
    return result;
}

} // namespace kestrune::snapshot
