#include "shell/PluginEffect.h"

#include "shell/EditorBase.h"
#include "shell/PluginEntry.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace kestrune {

namespace {

void writeEmpty(char* text) {
    if (text) {
        text[0] = '\0';
    }
}

} // namespace

int32_t clampToInt32(intptr_t value) {
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

int32_t truncateToInt32(float value) {
    if (!(value == value)) {
        return 0; // NaN
    }
    if (value >= 2147483647.0f) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= -2147483648.0f) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

// ---- construction ----

PluginEffect::PluginEffect(audioMasterCallback hostCallback, int32_t programs, int32_t params)
    : currentRate(44100.0f), ownedEditor(nullptr), host(hostCallback), programCount(programs),
      paramCount(params), programIndex(0), blockLength(1024) {
    std::memset(&hostRecord, 0, sizeof hostRecord);
    hostRecord.magic = kEffectMagic;
    hostRecord.dispatcher = entryDispatch;
    hostRecord.process = entryProcess;
    hostRecord.setParameter = entrySetParameter;
    hostRecord.getParameter = entryGetParameter;
    hostRecord.numPrograms = programs;
    hostRecord.numParams = params;
    hostRecord.numInputs = 1;
    hostRecord.numOutputs = 2;
    hostRecord.flags = 0;
    hostRecord.ioRatio = 1.0f;
    hostRecord.object = this;
    hostRecord.uniqueID = kDefaultUniqueId;
    hostRecord.version = 1;
    hostRecord.processReplacing = entryProcessReplacing;
}

PluginEffect::~PluginEffect() {
    delete ownedEditor;
}

// ---- parameters and processing ----

void PluginEffect::applyParam(int32_t, float) {}

float PluginEffect::paramValue(int32_t) {
    return 0.0f;
}

void PluginEffect::applyParamAndAutomate(int32_t index, float value) {
    applyParam(index, value);
    if (host) {
        host(&hostRecord, audioMasterAutomate, index, 0, nullptr, value);
    }
}

void PluginEffect::processOverwrite(float**, float**, int32_t) {}

// ---- host requests ----

intptr_t PluginEffect::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        onOpen();
        return 0;
    case effClose:
        onClose();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < programCount) {
            selectProgram(static_cast<int32_t>(value));
        }
        return 0;
    case effGetProgram:
        return currentProgram();
    case effSetProgramName:
        if (text) {
            renameProgram(text);
        }
        return 0;
    case effGetProgramName:
        if (text) {
            copyProgramName(text);
        }
        return 0;
    case effGetParamLabel:
        if (text) {
            copyParamUnit(index, text);
        }
        return 0;
    case effGetParamDisplay:
        if (text) {
            copyParamText(index, text);
        }
        return 0;
    case effGetParamName:
        if (text) {
            copyParamName(index, text);
        }
        return 0;
    case effGetVu: {
        const double level = static_cast<double>(meterLevel()) * 32767.0;
        if (!std::isfinite(level)) {
            return 0;
        }
        return truncateToInt32(static_cast<float>(level));
    }
    case effSetSampleRate:
        // A rate that is not a finite positive number cannot drive any filter; it is ignored.
        if (std::isfinite(opt) && opt > 0.0f) {
            changeSampleRate(opt);
        }
        return 0;
    case effSetBlockSize:
        changeBlockSize(clampToInt32(value));
        return 0;
    case effMainsChanged:
        if (value == 0) {
            onSwitchOff();
        } else {
            onSwitchOn();
        }
        return 0;
    case effEditGetRect:
        if (ownedEditor && ptr) {
            return ownedEditor->queryRect(static_cast<ERect**>(ptr));
        }
        return 0;
    case effEditOpen:
        return ownedEditor ? ownedEditor->openIn(ptr) : 0;
    case effEditClose:
        if (ownedEditor) {
            ownedEditor->closeEditor();
        }
        return 0;
    case effEditIdle:
        if (ownedEditor) {
            ownedEditor->idleTick();
        }
        return 0;
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
        return ptr ? exportChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return ptr ? importChunk(ptr, clampToInt32(value), index != 0) : 0;
    default: // effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep and unknown
        return 0;
    }
}

void PluginEffect::onOpen() {}
void PluginEffect::onClose() {}
int32_t PluginEffect::currentProgram() {
    return programIndex;
}
void PluginEffect::selectProgram(int32_t index) {
    programIndex = index;
}
void PluginEffect::renameProgram(char* text) {
    writeEmpty(text);
}
void PluginEffect::copyProgramName(char* text) {
    writeEmpty(text);
}
void PluginEffect::copyParamUnit(int32_t, char* text) {
    writeEmpty(text);
}
void PluginEffect::copyParamText(int32_t, char* text) {
    writeEmpty(text);
}
void PluginEffect::copyParamName(int32_t, char* text) {
    writeEmpty(text);
}
float PluginEffect::meterLevel() {
    return 0.0f;
}
int32_t PluginEffect::exportChunk(void**, bool) {
    return 0;
}
int32_t PluginEffect::importChunk(void*, int32_t, bool) {
    return 0;
}
void PluginEffect::changeSampleRate(float rate) {
    currentRate = rate;
}
void PluginEffect::changeBlockSize(int32_t size) {
    blockLength = size;
}
void PluginEffect::onSwitchOff() {}
void PluginEffect::onSwitchOn() {}

// ---- record setters ----

void PluginEffect::setFlag(int32_t flag, bool on) {
    if (on) {
        hostRecord.flags |= flag;
    } else {
        hostRecord.flags &= ~flag;
    }
}

void PluginEffect::assignUniqueId(int32_t id) {
    hostRecord.uniqueID = id;
}
void PluginEffect::assignInputCount(int32_t count) {
    hostRecord.numInputs = count;
}
void PluginEffect::assignOutputCount(int32_t count) {
    hostRecord.numOutputs = count;
}
void PluginEffect::declareVu(bool on) {
    setFlag(effFlagsHasVu, on);
}
void PluginEffect::declareClip(bool on) {
    setFlag(effFlagsHasClip, on);
}
void PluginEffect::declareMono(bool on) {
    setFlag(effFlagsCanMono, on);
}
void PluginEffect::declareReplacing(bool on) {
    setFlag(effFlagsCanReplacing, on);
}
void PluginEffect::declareChunks(bool on) {
    setFlag(effFlagsProgramChunks, on);
}
void PluginEffect::assignRealtimeQualities(int32_t count) {
    hostRecord.realQualities = count;
}
void PluginEffect::assignOfflineQualities(int32_t count) {
    hostRecord.offQualities = count;
}
void PluginEffect::assignInitialDelay(int32_t frames) {
    hostRecord.initialDelay = frames;
}
float PluginEffect::currentSampleRate() {
    return currentRate;
}
int32_t PluginEffect::currentBlockSize() {
    return blockLength;
}

// ---- requests to the host ----

intptr_t PluginEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                                intptr_t fallback) {
    return host ? host(&hostRecord, opcode, index, value, ptr, opt) : fallback;
}

int32_t PluginEffect::askHostVersion() {
    const intptr_t version = callHost(audioMasterVersion, 0, 0, nullptr, 0.0f);
    return version == 0 ? 1 : clampToInt32(version);
}

int32_t PluginEffect::askHostCurrentId() {
    return clampToInt32(callHost(audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

intptr_t PluginEffect::askHostIdle() {
    return callHost(audioMasterIdle, 0, 0, nullptr, 0.0f);
}

bool PluginEffect::askInputConnected(int32_t index) {
    return callHost(audioMasterPinConnected, index, 0, nullptr, 0.0f) == 0;
}

bool PluginEffect::askOutputConnected(int32_t index) {
    return callHost(audioMasterPinConnected, index, 1, nullptr, 0.0f) == 0;
}

// ---- text formatting ----

void PluginEffect::formatDecibels(float value, char* text) {
    if (!text) {
        return;
    }
    if (value <= 0.0f) {
        std::strcpy(text, "-oo");
        return;
    }
    formatFloat(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
}

void PluginEffect::formatHertz(float samples, char* text) {
    const double hertz = samples == 0.0f ? 0.0 : currentSampleRate() / static_cast<double>(samples);
    formatFloat(static_cast<float>(hertz), text);
}

void PluginEffect::formatMilliseconds(float samples, char* text) {
    formatFloat(static_cast<float>(samples * 1000.0 / currentSampleRate()), text);
}

// Fixed-width decimal text: the integer digits, the point, and as many fraction digits as fit
// into eight characters. A value whose integer digits do not fit leaves the text unchanged.
void PluginEffect::formatFloat(float value, char* text) {
    if (!text || !std::isfinite(value)) {
        return;
    }
    constexpr int width = 8;
    const bool negative = value < 0.0f;
    const double magnitude = negative ? -static_cast<double>(value) : value;
    // With the sign and the point, at most 7 (negative: 6) integer digits fit.
    if (magnitude >= (negative ? 1000000.0 : 10000000.0)) {
        return;
    }

    // Integer digits, right to left.
    char digits[width + 1];
    int count = 0;
    double integerPart = std::floor(magnitude);
    int used = negative ? 1 : 0;
    digits[count++] = static_cast<char>('0' + static_cast<int>(std::fmod(integerPart, 10.0)));
    used += 2; // the units digit and the point
    integerPart = std::floor(integerPart * 0.1);
    while (integerPart >= 1.0 && used < width) {
        digits[count++] = static_cast<char>('0' + static_cast<int>(std::fmod(integerPart, 10.0)));
        integerPart = std::floor(integerPart * 0.1);
        ++used;
    }

    char* out = text;
    if (negative) {
        *out++ = '-';
    }
    while (count > 0) {
        *out++ = digits[--count];
    }
    *out++ = '.';

    // Fraction digits, right to left, as many as the width leaves.
    const int fractionDigits = width - used;
    if (fractionDigits > 0) {
        double fraction = (magnitude - std::floor(magnitude)) * std::pow(10.0, fractionDigits);
        for (int i = fractionDigits - 1; i >= 0; --i) {
            if (fraction > 0.0) {
                out[i] = static_cast<char>('0' + static_cast<int>(std::fmod(fraction, 10.0)));
                fraction = std::floor(fraction) * 0.1;
            } else {
                out[i] = '0';
            }
        }
        out += fractionDigits;
    }
    *out = '\0';
}

void PluginEffect::formatInteger(int32_t value, char* text) {
    if (!text) {
        return;
    }
    if (value >= 100000000) {
        std::strcpy(text, "Huge!");
        return;
    }
    char wide[16];
    std::snprintf(wide, sizeof wide, "%7d", static_cast<int>(value));
    std::memcpy(text, wide, 8);
    text[8] = '\0';
}

} // namespace kestrune
