#include "tests/host/RecordingHost.h"

#include <atomic>
#include <cstring>

namespace kestrune::testhost {

namespace {
std::atomic<RecordingHost*> activeHost{nullptr};
} // namespace

RecordingHost::RecordingHost() : previous_(activeHost.exchange(this)) {
    answers_[audioMasterVersion] = 2400;
}

RecordingHost::~RecordingHost() {
    activeHost.store(previous_);
}

intptr_t KESTRUNE_VST_CALL RecordingHost::callback(AEffect* effect, int32_t opcode, int32_t index,
                                                   intptr_t value, void* ptr, float opt) {
    HostCall call{effect, opcode, index, value, ptr, opt, {}};
    if (opcode == audioMasterCanDo && ptr) {
        call.text = static_cast<const char*>(ptr);
    }
    RecordingHost* host = activeHost.load();
    return host ? host->receive(call) : 0;
}

intptr_t RecordingHost::receive(const HostCall& call) {
    std::function<intptr_t(const HostCall&)> responder;
    intptr_t fixed = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
        responder = responder_;
        auto found = answers_.find(call.opcode);
        if (found != answers_.end()) {
            fixed = found->second;
        }
    }
    return responder ? responder(call) : fixed;
}

void RecordingHost::answer(int32_t opcode, intptr_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[opcode] = value;
}

void RecordingHost::answerWith(std::function<intptr_t(const HostCall&)> responder) {
    std::lock_guard<std::mutex> lock(mutex_);
    responder_ = std::move(responder);
}

std::vector<HostCall> RecordingHost::calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<HostCall> RecordingHost::callsWith(int32_t opcode) const {
    std::vector<HostCall> matching;
    for (const HostCall& call : calls()) {
        if (call.opcode == opcode) {
            matching.push_back(call);
        }
    }
    return matching;
}

std::vector<int32_t> RecordingHost::opcodes() const {
    std::vector<int32_t> list;
    for (const HostCall& call : calls()) {
        list.push_back(call.opcode);
    }
    return list;
}

void RecordingHost::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

} // namespace kestrune::testhost
