// Processing speed of both deliverables, through the effect record as a host calls it: time per
// sample frame of processReplacing for several block sizes and settings, on drum-like bursts
// over quiet noise (fixed seed). The plain per-sample formulas (the tests' oracle) are measured
// too, for comparison.
#include "tests/engine/GateSignals.h"
#include "tests/engine/ReferenceGate.h"
#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {
namespace {

using testhost::PluginLibrary;
using testhost::RecordingHost;

constexpr int32_t kSignalFrames = 10 * 44100;

struct Setting {
    const char* name;
    int program;
    bool duck;
};

const Setting kSettings[] = {
    {"init", 0, false},
    {"sn gate", 1, false},
    {"3x Expand", 3, false},
    {"duck", 0, true},
};

struct Deliverable {
    const char* target;
    int channels;
};

const Deliverable kDeliverables[] = {{"Kestrune_ST", 2}, {"Kestrune_mono", 1}};

const std::vector<std::vector<float>>& benchSignal() {
    static const auto signal = enginetest::drumSignal(2, kSignalFrames, 20261211u);
    return signal;
}

RecordingHost& host() {
    static RecordingHost instance;
    return instance;
}

PluginLibrary& library(const char* target) {
    static std::map<std::string, std::unique_ptr<PluginLibrary>> libraries;
    auto& slot = libraries[target];
    if (!slot) {
        slot = std::make_unique<PluginLibrary>(PluginLibrary::builtPlugin(target));
    }
    return *slot;
}

// Runs the signal through the effect in blocks of `frames`, wrapping around at its end.
void processThroughRecord(benchmark::State& state, Deliverable deliverable, Setting setting,
                          int32_t frames) {
    PluginLibrary& lib = library(deliverable.target);
    host();
    AEffect* effect = lib.loaded() ? lib.create(RecordingHost::callback) : nullptr;
    if (!effect) {
        state.SkipWithError(("cannot load " + lib.path() + ": " + lib.error()).c_str());
        return;
    }
    testhost::dispatch(effect, effOpen);
    testhost::dispatch(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    testhost::dispatch(effect, effSetBlockSize, 0, frames);
    testhost::dispatch(effect, effSetProgram, 0, setting.program);
    if (setting.duck) {
        effect->setParameter(effect, 10, 1.0f);
    }
    testhost::dispatch(effect, effMainsChanged, 0, 1);

    const auto& signal = benchSignal();
    std::vector<std::vector<float>> output(2, std::vector<float>(frames));
    float* out[2] = {output[0].data(), output[1].data()};
    int32_t position = 0;
    for (auto _ : state) {
        if (position + frames > kSignalFrames) {
            position = 0;
        }
        float* in[2] = {const_cast<float*>(signal[0].data()) + position,
                        const_cast<float*>(signal[1].data()) + position};
        effect->processReplacing(effect, in, out, frames);
        benchmark::DoNotOptimize(output[0].data());
        benchmark::ClobberMemory();
        position += frames;
    }
    state.counters["per_frame"] = benchmark::Counter(static_cast<double>(frames),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
    testhost::dispatch(effect, effMainsChanged, 0, 0);
    testhost::dispatch(effect, effClose);
}

// The same work done by the plain per-sample formulas.
void processReference(benchmark::State& state, int channels, Setting setting, int32_t frames) {
    enginetest::ReferenceGate gate(channels);
    auto values = makeFactoryPrograms()[setting.program].plainValues();
    if (setting.duck) {
        values[kParamDuck] = 1.0f;
    }
    gate.apply(values);
    const auto& signal = benchSignal();
    std::vector<std::vector<float>> output(2, std::vector<float>(frames));
    float* out[2] = {output[0].data(), output[1].data()};
    int32_t position = 0;
    for (auto _ : state) {
        if (position + frames > kSignalFrames) {
            position = 0;
        }
        float* in[2] = {const_cast<float*>(signal[0].data()) + position,
                        const_cast<float*>(signal[1].data()) + position};
        gate.process(in, out, frames, false);
        benchmark::DoNotOptimize(output[0].data());
        benchmark::ClobberMemory();
        position += frames;
    }
    state.counters["per_frame"] = benchmark::Counter(static_cast<double>(frames),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

int registerBenchmarks() {
    for (const Deliverable& d : kDeliverables) {
        for (const Setting& s : kSettings) {
            for (int32_t frames : {64, 512, 4096}) {
                const std::string name =
                    std::string(d.target) + "/" + s.name + "/" + std::to_string(frames);
                benchmark::RegisterBenchmark(name.c_str(), [d, s, frames](benchmark::State& st) {
                    processThroughRecord(st, d, s, frames);
                });
            }
        }
    }
    for (const Deliverable& d : kDeliverables) {
        for (const Setting& s : kSettings) {
            const std::string name = std::string("PerSampleFormulas/") +
                                     (d.channels == 2 ? "stereo/" : "mono/") + s.name + "/512";
            const int channels = d.channels;
            benchmark::RegisterBenchmark(name.c_str(), [channels, s](benchmark::State& st) {
                processReference(st, channels, s, 512);
            });
        }
    }
    return 0;
}

const int registered = registerBenchmarks();

} // namespace
} // namespace kestrune

BENCHMARK_MAIN();
