#include "Snapshot.h"

#include "platform/soft/SoftPlatform.h"
#include "shell/VstInterface.h"

#include <cmath>
#include <dlfcn.h>
#include <mutex>
#include <png.h>

namespace kestrune::snapshot {

namespace pf = kestrune::platform;
namespace soft = kestrune::platform::soft;

namespace {

std::mutex hostMutex;
std::vector<int32_t>* hostLog = nullptr;

// A picture to take during a control's tracking loop.
struct HeldPicture {
    pf::Window window = nullptr;
    pf::Point releaseAt{0, 0};
    std::vector<uint32_t>* pixels = nullptr;
    int width = 0;
    int height = 0;
    bool pending = false;
};
HeldPicture heldPicture;

// The editor's pixels: its window is the host window's child.
void readWindow(pf::Window hostWindow, int width, int height, std::vector<uint32_t>& pixels) {
    const std::vector<pf::Window> children = soft::childWindows(hostWindow);
    pf::Window window = children.empty() ? hostWindow : children.front();
    pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y) * width + x] = soft::windowPixel(window, x, y);
        }
    }
}

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    if (hostLog && opcode != audioMasterVersion && opcode != audioMasterIdle) {
        hostLog->push_back(opcode);
    }
    // The control asks the host for idle time while it follows the mouse: once the scripted
    // moves are used up, take the picture and let the button go.
    if (opcode == audioMasterIdle && heldPicture.pending && soft::scriptStepsLeft() == 0) {
        readWindow(heldPicture.window, heldPicture.width, heldPicture.height, *heldPicture.pixels);
        heldPicture.pending = false;
        soft::setInput({heldPicture.releaseAt, 0, 10, 1});
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

} // namespace

void idleEditor(AEffect* effect, int ticks) {
    for (int i = 0; i < ticks; ++i) {
        dispatch(effect, effEditIdle);
        soft::advanceClock(20);
        soft::pumpMessages();
    }
}

void playGesture(const Gesture& gesture) {
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
    if (!gesture.pictureWhileHeld) {
        script.push_back({at(gesture.toX, gesture.toY), modifiers, 10, 1});
    }
    soft::scriptInput(script);
    soft::pumpMessages();
    soft::setInput({at(gesture.toX, gesture.toY), 0, 0, 1});
    soft::pumpMessages();
}

bool readPng(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = bytes[3 * i] | (bytes[3 * i + 1] << 8) | (bytes[3 * i + 2] << 16);
    }
    return true;
}

bool writePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) {
        return false;
    }
    std::vector<uint8_t> bytes(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        bytes[3 * i] = pixels[i] & 0xFF;
        bytes[3 * i + 1] = (pixels[i] >> 8) & 0xFF;
        bytes[3 * i + 2] = (pixels[i] >> 16) & 0xFF;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr) != 0;
}

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
        idleEditor(effect, 2);
        if (request.toneSeconds > 0.0) {
            processTone(effect, request.toneSeconds, request.toneAmplitude);
        }
        std::vector<uint32_t> heldPixels;
        for (const Gesture& gesture : request.gestures) {
            if (gesture.pictureWhileHeld) {
                heldPicture =
                    HeldPicture{hostWindow,  {kScreenX + gesture.toX, kScreenY + gesture.toY},
                                &heldPixels, width,
                                height,      true};
            }
            playGesture(gesture);
            heldPicture.pending = false;
            idleEditor(effect, 1);
        }

        result.width = width;
        result.height = height;
        if (!heldPixels.empty()) {
            result.pixels = heldPixels;
        } else {
            idleEditor(effect, request.idleTicks);
            readWindow(hostWindow, width, height, result.pixels);
        }
        result.ok = request.outputPng.empty() ||
                    writePng(request.outputPng, result.width, result.height, result.pixels);
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
