// A host callback for tests: records every request the plug-in makes and answers what the test
// sets. The callback has no user pointer, so the most recently constructed RecordingHost that is
// still alive receives the calls.
#pragma once

#include "shell/VstInterface.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kestrune::testhost {

struct HostCall {
    AEffect* effect;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
    std::string text; // the text a can-do request asks about
};

class RecordingHost {
public:
    RecordingHost();
    ~RecordingHost();
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    static intptr_t KESTRUNE_VST_CALL callback(AEffect* effect, int32_t opcode, int32_t index,
                                               intptr_t value, void* ptr, float opt);

    // The fixed answer for an opcode (audioMasterVersion answers 2400 unless set).
    void answer(int32_t opcode, intptr_t value);
    // An answer computed from the call; takes precedence over the fixed answers.
    void answerWith(std::function<intptr_t(const HostCall&)> responder);

    std::vector<HostCall> calls() const;
    std::vector<HostCall> callsWith(int32_t opcode) const;
    std::vector<int32_t> opcodes() const;
    void clear();

private:
    intptr_t receive(const HostCall& call);

    mutable std::mutex mutex_;
    std::vector<HostCall> calls_;
    std::map<int32_t, intptr_t> answers_;
    std::function<intptr_t(const HostCall&)> responder_;
    RecordingHost* previous_;
};

} // namespace kestrune::testhost
