#include "PluginHost.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace kestrune::render {

namespace {

// Channel, parameter and program counts beyond these are taken as a damaged record.
constexpr int32_t kMaxChannels = 64;
constexpr int32_t kMaxParams = 100000;
constexpr int32_t kMaxPrograms = 100000;
// Text buffers are far larger than the 64 bytes hosts commonly give, so a plug-in that writes
// a long name cannot run past them.
constexpr std::size_t kTextBufferBytes = 1024;

// The plug-ins this process has loaded, so that the callback can answer per plug-in. The
// renderer drives plug-ins from one thread.
std::vector<LoadedPlugin*>& livePlugins() {
    static std::vector<LoadedPlugin*> plugins;
    return plugins;
}

LoadedPlugin* pluginFor(AEffect* effect) {
    for (LoadedPlugin* plugin : livePlugins()) {
        if (plugin->effect() == effect) {
            return plugin;
        }
    }
    return nullptr;
}

void copyText(void* ptr, const char* text) {
    if (ptr) {
        // Hosts' strings for vendor and product are at most 64 bytes including the NUL.
        std::snprintf(static_cast<char*>(ptr), 64, "%s", text);
    }
}

intptr_t KESTRUNE_VST_CALL hostCallback(AEffect* effect, int32_t opcode, int32_t, intptr_t,
                                        void* ptr, float) {
    LoadedPlugin* plugin = effect ? pluginFor(effect) : nullptr;
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetSampleRate:
        return plugin ? static_cast<intptr_t>(plugin->hostSampleRate()) : 44100;
    case audioMasterGetBlockSize:
        return plugin ? plugin->hostBlockSize() : 512;
    case audioMasterGetVendorString:
        copyText(ptr, "Kestrune");
        return 1;
    case audioMasterGetProductString:
        copyText(ptr, "kestrune-render");
        return 1;
    case audioMasterGetVendorVersion:
        return 1;
    case audioMasterGetCurrentProcessLevel:
        // Rendering offline.
        return 4;
    default:
        // Automation, idle, edit brackets and capability questions need no answer here.
        return 0;
    }
}

bool checkRecord(const AEffect* effect, std::string& error) {
    if (effect->magic != kEffectMagic) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "effect record has the wrong magic 0x%08x (expected 0x%08x)",
                      static_cast<unsigned>(effect->magic), static_cast<unsigned>(kEffectMagic));
        error = text;
        return false;
    }
    if (!effect->dispatcher) {
        error = "effect record has no dispatcher";
        return false;
    }
    if (!effect->processReplacing && !effect->process) {
        error = "effect record has no processing entry";
        return false;
    }
    if (effect->numInputs < 0 || effect->numInputs > kMaxChannels || effect->numOutputs < 0 ||
        effect->numOutputs > kMaxChannels) {
        error = "effect record declares " + std::to_string(effect->numInputs) + " inputs and " +
                std::to_string(effect->numOutputs) + " outputs";
        return false;
    }
    if (effect->numParams < 0 || effect->numParams > kMaxParams || effect->numPrograms < 0 ||
        effect->numPrograms > kMaxPrograms) {
        error = "effect record declares " + std::to_string(effect->numParams) + " parameters and " +
                std::to_string(effect->numPrograms) + " programs";
        return false;
    }
    if (effect->numParams > 0 && (!effect->setParameter || !effect->getParameter)) {
        error = "effect record has parameters but no parameter entries";
        return false;
    }
    return true;
}

} // namespace

LoadedPlugin::~LoadedPlugin() {
    unload();
}

bool LoadedPlugin::load(const std::string& path, std::string& error) {
    unload();
    if (!fileExists(path)) {
        error = "plug-in '" + path + "' does not exist";
        return false;
    }
    std::string reason;
    if (!library.open(path, reason)) {
        error = "'" + path + "' is not a loadable library (" + reason + ")";
        return false;
    }

    // ---- find the entry the way hosts do ----
    VstEntryProc entry = nullptr;
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = library.findSymbol(name)) {
            entry = reinterpret_cast<VstEntryProc>(symbol);
            foundEntry = name;
            break;
        }
    }
    if (!entry) {
        library.close();
        error = "'" + path + "' is not a VST 2 plug-in (it exports neither VSTPluginMain nor main)";
        return false;
    }

    AEffect* effect = entry(hostCallback);
    if (!effect) {
        library.close();
        error = "plug-in '" + path + "' refused to create an effect (its " + foundEntry +
                " returned null)";
        return false;
    }
    if (!checkRecord(effect, reason)) {
        // A record we cannot trust is not dispatched to, not even to close it.
        library.close();
        error = "'" + path + "' is not a usable VST 2 plug-in: " + reason;
        return false;
    }
    record = effect;
    libraryPath = path;
    livePlugins().push_back(this);
    return true;
}

void LoadedPlugin::open() {
    if (record && !opened) {
        dispatch(effOpen);
        opened = true;
    }
}

void LoadedPlugin::unload() {
    if (record) {
        switchOn(false);
        // effClose deletes the effect; the record must not be touched afterwards.
        dispatch(effClose);
        record = nullptr;
        opened = false;
    }
    auto& plugins = livePlugins();
    for (auto it = plugins.begin(); it != plugins.end(); ++it) {
        if (*it == this) {
            plugins.erase(it);
            break;
        }
    }
    library.close();
}

intptr_t LoadedPlugin::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt) {
    if (!record) {
        return 0;
    }
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

void LoadedPlugin::setSampleRate(float rate) {
    sampleRate = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void LoadedPlugin::setBlockSize(int32_t frames) {
    blockSize = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void LoadedPlugin::switchOn(bool on) {
    if (record && on != switchedOn) {
        dispatch(effMainsChanged, 0, on ? 1 : 0);
        switchedOn = on;
    }
}

void LoadedPlugin::process(float** inputs, float** outputs, int32_t frames) {
    if (!record || frames <= 0) {
        return;
    }
    if ((record->flags & effFlagsCanReplacing) && record->processReplacing) {
        record->processReplacing(record, inputs, outputs, frames);
        return;
    }
    if (record->process) {
        for (int32_t channel = 0; channel < record->numOutputs; ++channel) {
            std::memset(outputs[channel], 0, sizeof(float) * static_cast<std::size_t>(frames));
        }
        record->process(record, inputs, outputs, frames);
    } else {
        record->processReplacing(record, inputs, outputs, frames);
    }
}

std::string LoadedPlugin::askText(int32_t opcode, int32_t index) {
    std::vector<char> text(kTextBufferBytes, '\0');
    dispatch(opcode, index, 0, text.data());
    text.back() = '\0';
    return text.data();
}

std::string LoadedPlugin::effectName() {
    return askText(effGetEffectName, 0);
}
std::string LoadedPlugin::vendorName() {
    return askText(effGetVendorString, 0);
}
std::string LoadedPlugin::productName() {
    return askText(effGetProductString, 0);
}
std::string LoadedPlugin::paramName(int32_t index) {
    return askText(effGetParamName, index);
}
std::string LoadedPlugin::paramLabel(int32_t index) {
    return askText(effGetParamLabel, index);
}
std::string LoadedPlugin::paramDisplay(int32_t index) {
    return askText(effGetParamDisplay, index);
}

float LoadedPlugin::paramValue(int32_t index) {
    if (!record || index < 0 || index >= record->numParams) {
        return 0.0f;
    }
    return record->getParameter(record, index);
}

void LoadedPlugin::setParamValue(int32_t index, float value) {
    if (record && index >= 0 && index < record->numParams) {
        record->setParameter(record, index, value);
    }
}

int32_t LoadedPlugin::currentProgram() {
    return static_cast<int32_t>(dispatch(effGetProgram));
}

void LoadedPlugin::selectProgram(int32_t index) {
    if (record && index >= 0 && index < record->numPrograms) {
        dispatch(effSetProgram, 0, index);
    }
}

std::string LoadedPlugin::programName(int32_t index) {
    if (!record || index < 0 || index >= record->numPrograms) {
        return {};
    }
    std::vector<char> text(kTextBufferBytes, '\0');
    if (dispatch(effGetProgramNameIndexed, index, -1, text.data()) != 0) {
        text.back() = '\0';
        return text.data();
    }
    int32_t current = currentProgram();
    if (current == index) {
        return askText(effGetProgramName, 0);
    }
    selectProgram(index);
    std::string name = askText(effGetProgramName, 0);
    selectProgram(current);
    return name;
}

std::string formatUniqueId(int32_t id) {
    uint32_t bits = static_cast<uint32_t>(id);
    char characters[5] = {static_cast<char>(bits >> 24), static_cast<char>(bits >> 16),
                          static_cast<char>(bits >> 8), static_cast<char>(bits), '\0'};
    bool printable = true;
    for (int i = 0; i < 4; ++i) {
        printable = printable && characters[i] >= 0x20 && characters[i] < 0x7f;
    }
    char text[32];
    if (printable) {
        std::snprintf(text, sizeof text, "'%s' (0x%08x)", characters, bits);
    } else {
        std::snprintf(text, sizeof text, "0x%08x", bits);
    }
    return text;
}

} // namespace kestrune::render
