// Loading and driving a VST 2 plug-in library the way a host does: entry lookup
// (VSTPluginMain first, then main), record checks, open, sample rate and block size, switching on
// and off, parameters, programs, texts and processing, then close.
#pragma once

#include "HostSystem.h"
#include "shell/VstInterface.h"

#include <cstdint>
#include <string>

namespace kestrune::render {

class LoadedPlugin {
public:
    LoadedPlugin() = default;
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    // Loads the library, calls its entry with this host's callback and checks the record.
    // On failure returns false with a one-line reason in error; nothing stays loaded.
    bool load(const std::string& path, std::string& error);
    // Sends effOpen. Done once after load.
    void open();
    // Switches off (if on), sends effClose and unloads the library.
    void unload();

    void setSampleRate(float rate);
    void setBlockSize(int32_t frames);
    void switchOn(bool on);
    // Processes frames samples with the replacing entry when the plug-in offers it, else with
    // the accumulating entry into cleared outputs.
    void process(float** inputs, float** outputs, int32_t frames);

    AEffect* effect() const { return record; }
    const std::string& entryName() const { return foundEntry; }
    const std::string& path() const { return libraryPath; }
    int inputCount() const { return record ? record->numInputs : 0; }
    int outputCount() const { return record ? record->numOutputs : 0; }
    int paramCount() const { return record ? record->numParams : 0; }
    int programCount() const { return record ? record->numPrograms : 0; }
    int32_t uniqueId() const { return record ? record->uniqueID : 0; }

    std::string effectName();
    std::string vendorName();
    std::string productName();
    std::string paramName(int32_t index);
    std::string paramLabel(int32_t index);
    std::string paramDisplay(int32_t index);
    float paramValue(int32_t index);
    void setParamValue(int32_t index, float value);

    int32_t currentProgram();
    void selectProgram(int32_t index);
    // The name of program index: asked by index when the plug-in answers that, otherwise read
    // by selecting the program and selecting the current one back.
    std::string programName(int32_t index);

    // What the host last told the plug-in, answered to its audioMasterGetSampleRate and
    // audioMasterGetBlockSize questions.
    float hostSampleRate() const { return sampleRate; }
    int32_t hostBlockSize() const { return blockSize; }

private:
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    std::string askText(int32_t opcode, int32_t index);

    SharedLibrary library;
    AEffect* record = nullptr;
    std::string foundEntry;
    std::string libraryPath;
    bool opened = false;
    bool switchedOn = false;
    float sampleRate = 44100.0f;
    int32_t blockSize = 512;
};

// Formats a unique identifier as its four characters when they are printable ("QvSt"), else hex.
std::string formatUniqueId(int32_t id);

} // namespace kestrune::render
