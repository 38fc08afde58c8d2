// Both plug-in libraries loaded the way a host loads them, driven through the effect record.
#include "GateSignals.h"
#include "ReferenceGate.h"

#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {
namespace {

using enginetest::ReferenceGate;
using testhost::dispatch;
using testhost::PluginLibrary;
using testhost::RecordingHost;

struct Deliverable {
    const char* target;
    int channels;
    int32_t uniqueId;
    const char* effectName;
};

std::ostream& operator<<(std::ostream& out, const Deliverable& d) {
    return out << d.target;
}

const Deliverable kDeliverables[] = {
    {"Kestrune_ST", 2, 0x51765374, "Kestrune-Expander ST v1.0.3"},
    {"Kestrune_mono", 1, 0x51764D6E, "Kestrune-Expander MONO v1.0.3"},
};

// Host-side sample buffers of one call: per channel a vector, with the pointer arrays a host
// passes.
struct Buffers {
    Buffers(int channels, int32_t frames, float fill = 0.0f)
        : data(channels, std::vector<float>(frames, fill)) {
        for (int c = 0; c < channels; ++c) {
            pointers.push_back(data[c].data());
        }
    }
    float** get() { return pointers.data(); }
    std::vector<std::vector<float>> data;
    std::vector<float*> pointers;
};

class DeliverableTest : public ::testing::TestWithParam<Deliverable> {
protected:
    void SetUp() override {
        library = std::make_unique<PluginLibrary>(PluginLibrary::builtPlugin(GetParam().target));
        ASSERT_TRUE(library->loaded()) << library->error();
        effect = open();
        ASSERT_NE(effect, nullptr);
    }

    void TearDown() override {
        for (AEffect* e : opened) {
            dispatch(e, effClose);
        }
    }

    AEffect* open() {
        AEffect* e = library->create(RecordingHost::callback);
        if (e) {
            opened.push_back(e);
            dispatch(e, effOpen);
            dispatch(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
            dispatch(e, effSetBlockSize, 0, 512);
            dispatch(e, effMainsChanged, 0, 1);
        }
        return e;
    }

    std::string text(AEffect* e, int32_t opcode, int32_t index = 0) {
        char buffer[256];
        std::memset(buffer, 0x55, sizeof buffer);
        dispatch(e, opcode, index, 0, buffer);
        return buffer;
    }

    int channels() const { return GetParam().channels; }

    // Runs the whole signal through the effect in calls of the given sizes (cycled) and answers
    // the outputs; meters (if given) receives parameter 9 after every call.
    std::vector<std::vector<float>> run(AEffect* e, const std::vector<std::vector<float>>& signal,
                                        const std::vector<int32_t>& callSizes,
                                        bool accumulate = false,
                                        std::vector<float>* meters = nullptr) {
        const int32_t frames = static_cast<int32_t>(signal[0].size());
        std::vector<std::vector<float>> out(channels(), std::vector<float>(frames, 0.0f));
        int32_t position = 0;
        for (std::size_t call = 0; position < frames; ++call) {
            const int32_t n = std::min(callSizes[call % callSizes.size()], frames - position);
            std::vector<float*> in;
            std::vector<float*> outputs;
            for (int c = 0; c < channels(); ++c) {
                in.push_back(const_cast<float*>(signal[c].data()) + position);
                outputs.push_back(out[c].data() + position);
            }
            if (accumulate) {
                e->process(e, in.data(), outputs.data(), n);
            } else {
                e->processReplacing(e, in.data(), outputs.data(), n);
            }
            if (meters) {
                meters->push_back(e->getParameter(e, 9));
            }
            position += n;
        }
        return out;
    }

    void setValues(AEffect* e, const std::array<float, kGateParamCount>& values) {
        for (int i = 0; i < kGateParamCount; ++i) {
            e->setParameter(e, i, values[i]);
        }
    }

    RecordingHost host;
    std::unique_ptr<PluginLibrary> library;
    AEffect* effect = nullptr;
    std::vector<AEffect*> opened;
};

INSTANTIATE_TEST_SUITE_P(Deliverables, DeliverableTest, ::testing::ValuesIn(kDeliverables),
                         [](const auto& info) { return std::string(info.param.target); });

const std::vector<int32_t> kAwkwardCalls = {1, 511, 512, 513, 700, 4096, 0, 64};

// Equal values sample by sample (+0 and -0 count as equal).
bool sameValues(const std::vector<std::vector<float>>& a,
                const std::vector<std::vector<float>>& b) {
    return a == b;
}

bool sameBits(const std::vector<std::vector<float>>& a, const std::vector<std::vector<float>>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t c = 0; c < a.size(); ++c) {
        if (a[c].size() != b[c].size() ||
            std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(float)) != 0) {
            return false;
        }
    }
    return true;
}

// ---- record and identity ----

TEST_P(DeliverableTest, RecordDescribesTheDeliverable) {
    const Deliverable& d = GetParam();
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, 4);
    EXPECT_EQ(effect->numParams, 14);
    EXPECT_EQ(effect->numInputs, d.channels);
    EXPECT_EQ(effect->numOutputs, d.channels);
    // Mono-capable and replacing; no chunks. (The editor flag belongs to the editor.)
    EXPECT_EQ(effect->flags & ~effFlagsHasEditor, effFlagsCanMono | effFlagsCanReplacing);
    EXPECT_EQ(effect->uniqueID, d.uniqueId);
    EXPECT_EQ(effect->version, 1);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
}

TEST_P(DeliverableTest, HostWithoutAVersionGetsNoEffect) {
    RecordingHost silent;
    silent.answer(audioMasterVersion, 0);
    EXPECT_EQ(library->create(RecordingHost::callback), nullptr);
}

TEST_P(DeliverableTest, NamesItselfAndItsVendor) {
    char buffer[64] = {};
    EXPECT_EQ(dispatch(effect, effGetEffectName, 0, 0, buffer), 1);
    EXPECT_STREQ(buffer, GetParam().effectName);
    EXPECT_EQ(dispatch(effect, effGetVendorString, 0, 0, buffer), 1);
    EXPECT_STREQ(buffer, "Morvettle");
    EXPECT_EQ(dispatch(effect, effGetProductString, 0, 0, buffer), 1);
    EXPECT_STREQ(buffer, "Morvettle");
}

// ---- parameters and programs ----

TEST_P(DeliverableTest, ParameterNamesAndUnits) {
    const char* names[] = {"threshold",      "AttackTime",      "HoldTime",  "ReleaseTime",
                           "ExpandRatio",    "Range",           "KeyListen", "KeyFilterLPF",
                           "KeyFilterHPF",   "ReductionAmount", "Duck",      "reserved param",
                           "reserved param", "reserved param"};
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(text(effect, effGetParamName, i), names[i]) << i;
        EXPECT_EQ(text(effect, effGetParamLabel, i), names[i]) << i;
    }
    EXPECT_EQ(text(effect, effGetParamName, -1), "reserved param");
    EXPECT_EQ(text(effect, effGetParamLabel, 3), "ReleaseTime");
}

TEST_P(DeliverableTest, FactoryProgramDisplayTexts) {
    struct Row {
        const char* name;
        const char* texts[11]; // indices 0..10; 9 shows nothing
    };
    const Row table[] = {
        {"init",
         {"-57.00dB", "0.05ms", "9ms", "202ms", "1.00:1", "-oodB", "Off", "12039Hz", "28Hz", "",
          "Gate Mode"}},
        {"sn gate",
         {"-30.00dB", "0.05ms", "100ms", "102ms", "1.00:1", "-oodB", "Off", "5321Hz", "160Hz", "",
          "Gate Mode"}},
        {"kick gate",
         {"-30.00dB", "0.05ms", "150ms", "142ms", "1.00:1", "-oodB", "Off", "1117Hz", "off", "",
          "Gate Mode"}},
        {"3x Expand",
         {"-60.00dB", "0.05ms", "0ms", "82ms", "3.00:1", "-oodB", "Off", "off", "off", "",
          "Gate Mode"}},
    };
    for (int p = 0; p < 4; ++p) {
        dispatch(effect, effSetProgram, 0, p);
        EXPECT_EQ(dispatch(effect, effGetProgram), p);
        EXPECT_EQ(text(effect, effGetProgramName), table[p].name);
        for (int i = 0; i < 11; ++i) {
            EXPECT_EQ(text(effect, effGetParamDisplay, i), table[p].texts[i])
                << table[p].name << ", parameter " << i;
        }
        for (int i : {11, 12, 13, -1, 14}) {
            EXPECT_EQ(text(effect, effGetParamDisplay, i), "") << i;
        }
    }
}

TEST_P(DeliverableTest, FlagParametersSwitchAtOneHalf) {
    effect->setParameter(effect, 6, 0.5f);
    EXPECT_EQ(text(effect, effGetParamDisplay, 6), "KeyListen");
    effect->setParameter(effect, 6, 0.49f);
    EXPECT_EQ(text(effect, effGetParamDisplay, 6), "Off");
    effect->setParameter(effect, 10, 0.5f);
    EXPECT_EQ(text(effect, effGetParamDisplay, 10), "Duck Mode");
    effect->setParameter(effect, 10, 0.0f);
    EXPECT_EQ(text(effect, effGetParamDisplay, 10), "Gate Mode");
}

TEST_P(DeliverableTest, OnlyEngineParametersAreStored) {
    std::vector<float> before;
    for (int i = 0; i < 14; ++i) {
        before.push_back(effect->getParameter(effect, i));
    }
    effect->setParameter(effect, 12, 0.7f);
    effect->setParameter(effect, -1, 0.7f);
    effect->setParameter(effect, 14, 0.7f);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(effect->getParameter(effect, i), before[i]) << i;
    }
    EXPECT_EQ(effect->getParameter(effect, -1), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, 14), 0.0f);
}

TEST_P(DeliverableTest, NonFiniteParameterValuesAreIgnored) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    for (int i = 0; i <= 10; ++i) {
        const float stored = effect->getParameter(effect, i);
        const std::string shown = text(effect, effGetParamDisplay, i);
        for (float value : bad) {
            effect->setParameter(effect, i, value);
        }
        EXPECT_EQ(effect->getParameter(effect, i), stored) << i;
        EXPECT_EQ(text(effect, effGetParamDisplay, i), shown) << i;
    }
    // The engine was not touched either: it processes exactly like a fresh instance.
    AEffect* fresh = open();
    const auto signal = enginetest::drumSignal(channels(), 30000, 5);
    EXPECT_TRUE(sameBits(run(effect, signal, {512}), run(fresh, signal, {512})));
}

TEST_P(DeliverableTest, ProgramEditsPersistAcrossProgramChanges) {
    dispatch(effect, effSetProgram, 0, 1);
    effect->setParameter(effect, 0, 0.2f);
    dispatch(effect, effSetProgram, 0, 2);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.5f);
    dispatch(effect, effSetProgram, 0, 1);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.2f);
    EXPECT_EQ(text(effect, effGetParamDisplay, 0), "-48.00dB");
    // Out-of-range program numbers change nothing.
    dispatch(effect, effSetProgram, 0, 4);
    dispatch(effect, effSetProgram, 0, -1);
    EXPECT_EQ(dispatch(effect, effGetProgram), 1);
}

TEST_P(DeliverableTest, LongProgramNamesAreCutAtThirtyOneCharacters) {
    dispatch(effect, effSetProgram, 0, 1);
    std::string longName(100, 'k');
    longName.replace(0, 10, "0123456789");
    dispatch(effect, effSetProgramName, 0, 0, longName.data());
    char buffer[128];
    std::memset(buffer, 0x55, sizeof buffer);
    dispatch(effect, effGetProgramName, 0, 0, buffer);
    EXPECT_EQ(std::string(buffer), longName.substr(0, 31));
    EXPECT_EQ(static_cast<unsigned char>(buffer[32]), 0x55u) << "written past the name";
    // The neighbouring programs keep their names.
    dispatch(effect, effSetProgram, 0, 2);
    EXPECT_EQ(text(effect, effGetProgramName), "kick gate");
    dispatch(effect, effSetProgram, 0, 0);
    EXPECT_EQ(text(effect, effGetProgramName), "init");
    // A short rename leaves no trace of the longer name.
    dispatch(effect, effSetProgram, 0, 1);
    char shortName[] = "tom";
    dispatch(effect, effSetProgramName, 0, 0, shortName);
    EXPECT_EQ(text(effect, effGetProgramName), "tom");
}

// ---- processing ----

struct ProcessingSetting {
    const char* name;
    int program;
    int changedIndex; // -1 for none
    float changedValue;
};

const ProcessingSetting kProcessingSettings[] = {
    {"init", 0, -1, 0.0f},           {"sn gate", 1, -1, 0.0f},
    {"kick gate", 2, -1, 0.0f},      {"3x Expand", 3, -1, 0.0f},
    {"init, duck", 0, 10, 1.0f},     {"sn gate, short release", 1, 3, 0.0f},
    {"init, range 0.5", 0, 5, 0.5f},
};

TEST_P(DeliverableTest, OutputFollowsThePerSampleFormulas) {
    const auto signal = enginetest::drumSignal(channels(), 44100, enginetest::testSeed());
    const auto bank = makeFactoryPrograms();
    for (const ProcessingSetting& s : kProcessingSettings) {
        SCOPED_TRACE(s.name);
        AEffect* e = open();
        dispatch(e, effSetProgram, 0, s.program);
        auto values = bank[s.program].plainValues();
        if (s.changedIndex >= 0) {
            e->setParameter(e, s.changedIndex, s.changedValue);
            values[s.changedIndex] = s.changedValue;
        }
        ReferenceGate reference(channels());
        reference.apply(values);

        std::vector<float> meters;
        const auto actual = run(e, signal, kAwkwardCalls, false, &meters);

        std::vector<std::vector<float>> expected(channels(), std::vector<float>(signal[0].size()));
        int32_t position = 0;
        const int32_t frames = static_cast<int32_t>(signal[0].size());
        for (std::size_t call = 0; position < frames; ++call) {
            const int32_t n =
                std::min(kAwkwardCalls[call % kAwkwardCalls.size()], frames - position);
            float* in[2];
            float* out[2];
            for (int c = 0; c < channels(); ++c) {
                in[c] = const_cast<float*>(signal[c].data()) + position;
                out[c] = expected[c].data() + position;
            }
            const float meter = reference.process(in, out, n, false);
            ASSERT_NEAR(meters[call], meter, 1e-6 * meter) << "call " << call;
            position += n;
        }
        for (int c = 0; c < channels(); ++c) {
            for (int32_t i = 0; i < frames; ++i) {
                ASSERT_NEAR(actual[c][i], expected[c][i], 1e-6 * std::fabs(expected[c][i]))
                    << "channel " << c << " frame " << i;
            }
        }
    }
}

TEST_P(DeliverableTest, EmptyCallTouchesNothingAndPublishesAZeroMeter) {
    const auto signal = enginetest::drumSignal(channels(), 2048, 3);
    run(effect, signal, {2048});
    ASSERT_GT(effect->getParameter(effect, 9), 0.0f);
    for (int32_t frames : {0, -1, -700}) {
        Buffers in(channels(), 16, 0.5f);
        Buffers out(channels(), 16, 7.0f);
        effect->processReplacing(effect, in.get(), out.get(), frames);
        effect->process(effect, in.get(), out.get(), frames);
        EXPECT_EQ(effect->getParameter(effect, 9), 0.0f) << frames;
        for (const auto& channel : out.data) {
            for (float v : channel) {
                ASSERT_EQ(v, 7.0f) << frames;
            }
        }
    }
    // Missing arrays are an empty call too.
    effect->processReplacing(effect, nullptr, nullptr, 512);
    EXPECT_EQ(effect->getParameter(effect, 9), 0.0f);
}

// A 700-frame call is a 512 and a 188 frame block: m = min(1, 0.5 max(min(1, 0.5 G1), G2)).
TEST_P(DeliverableTest, MeterFollowsTheBlocksOfACall) {
    struct Case {
        const char* name;
        int program;
        float range;
        int burstAt; // frame of the call where a loud burst starts, -1 for none
    };
    const Case cases[] = {
        {"open gate in the second block", 0, 0.25f, 600},
        {"burst in the first block", 0, 0.1f, 10},
        {"closed gate", 1, 0.5f, -1},
        {"upward expansion", 3, 0.0f, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AEffect* e = open();
        dispatch(e, effSetProgram, 0, c.program);
        e->setParameter(e, 5, c.range);
        auto values = makeFactoryPrograms()[c.program].plainValues();
        values[5] = c.range;
        ReferenceGate reference(channels());
        reference.apply(values);

        std::vector<std::vector<float>> signal(channels(), std::vector<float>(700, 0.0f));
        for (int c2 = 0; c2 < channels(); ++c2) {
            for (int i = 0; i < 700; ++i) {
                const bool loud = c.burstAt >= 0 && i >= c.burstAt && i < c.burstAt + 50;
                signal[c2][i] = loud ? ((i & 1) ? 0.9f : -0.9f) : 0.0f;
            }
        }
        std::vector<float> gains;
        std::vector<std::vector<float>> scratch(channels(), std::vector<float>(700));
        float* in[2] = {signal[0].data(), signal[channels() - 1].data()};
        float* out[2] = {scratch[0].data(), scratch[channels() - 1].data()};
        reference.process(in, out, 700, false, &gains);
        float g1 = 0.0f;
        float g2 = 0.0f;
        for (int i = 0; i < 700; ++i) {
            (i < 512 ? g1 : g2) = std::max(i < 512 ? g1 : g2, gains[i]);
        }
        const float m1 = std::min(1.0f, 0.5f * g1);
        const float expected = std::min(1.0f, 0.5f * std::max(m1, g2));

        std::vector<float> meters;
        run(e, signal, {700}, false, &meters);
        EXPECT_NEAR(meters.at(0), expected, 1e-6f) << "G1 " << g1 << ", G2 " << g2;
    }
}

// With Range 1.0 and no expansion the gate never changes the signal.
TEST_P(DeliverableTest, FullRangeGatePassesTheInputUnchanged) {
    const auto signal = enginetest::drumSignal(channels(), 30000, enginetest::testSeed());
    for (int program = 0; program < 3; ++program) {
        AEffect* e = open();
        dispatch(e, effSetProgram, 0, program);
        e->setParameter(e, 5, 1.0f);
        EXPECT_TRUE(sameBits(run(e, signal, kAwkwardCalls), signal)) << "program " << program;
    }
}

TEST_P(DeliverableTest, AccumulatingIntoZerosEqualsReplacing) {
    const auto signal = enginetest::drumSignal(channels(), 30000, enginetest::testSeed());
    for (int program = 0; program < 4; ++program) {
        AEffect* replacing = open();
        AEffect* accumulating = open();
        dispatch(replacing, effSetProgram, 0, program);
        dispatch(accumulating, effSetProgram, 0, program);
        // The same values; a closed gate writes -0 for negative input where 0 + -0 gives +0.
        EXPECT_TRUE(sameValues(run(replacing, signal, kAwkwardCalls, false),
                               run(accumulating, signal, kAwkwardCalls, true)))
            << "program " << program;
    }
}

TEST_P(DeliverableTest, AccumulatingAddsToWhatTheOutputsHold) {
    const auto signal = enginetest::drumSignal(channels(), 4096, 9);
    AEffect* other = open();
    const auto replaced = run(effect, signal, {4096});
    Buffers in(channels(), 4096);
    Buffers out(channels(), 4096, 0.25f);
    for (int c = 0; c < channels(); ++c) {
        in.data[c] = signal[c];
    }
    other->process(other, in.get(), out.get(), 4096);
    for (int c = 0; c < channels(); ++c) {
        for (int i = 0; i < 4096; ++i) {
            ASSERT_EQ(out.data[c][i], 0.25f + replaced[c][i]) << i;
        }
    }
}

TEST_P(DeliverableTest, InPlaceBuffersGiveTheSameOutput) {
    const auto signal = enginetest::drumSignal(channels(), 20000, enginetest::testSeed());
    for (bool accumulate : {false, true}) {
        AEffect* separate = open();
        AEffect* inPlace = open();
        const auto expected = run(separate, signal, kAwkwardCalls, accumulate);
        auto buffer = signal;
        int32_t position = 0;
        for (std::size_t call = 0; position < 20000; ++call) {
            const int32_t n =
                std::min(kAwkwardCalls[call % kAwkwardCalls.size()], 20000 - position);
            std::vector<float*> io;
            for (int c = 0; c < channels(); ++c) {
                io.push_back(buffer[c].data() + position);
            }
            if (accumulate) {
                // Accumulating in place adds the processed input to the input itself.
                inPlace->process(inPlace, io.data(), io.data(), n);
            } else {
                inPlace->processReplacing(inPlace, io.data(), io.data(), n);
            }
            position += n;
        }
        for (int c = 0; c < channels(); ++c) {
            for (int i = 0; i < 20000; ++i) {
                const float want = accumulate ? signal[c][i] + expected[c][i] : expected[c][i];
                ASSERT_EQ(buffer[c][i], want) << "channel " << c << " frame " << i;
            }
        }
    }
}

TEST_P(DeliverableTest, KeyListenOutputsTheFilteredKeyWhileTheMeterReportsTheGain) {
    const auto signal = enginetest::drumSignal(channels(), 20000, enginetest::testSeed());
    effect->setParameter(effect, 6, 1.0f);
    std::vector<float> meters;
    const auto actual = run(effect, signal, kAwkwardCalls, false, &meters);

    auto values = makeFactoryPrograms()[0].plainValues();
    ReferenceGate reference(channels());
    reference.apply(values);
    std::array<KeyFilter, 2>& keys = reference.filters;
    for (int c = 0; c < channels(); ++c) {
        for (int i = 0; i < 20000; ++i) {
            const float key = keys[c].filterSample(signal[c][i]);
            ASSERT_EQ(actual[c][i], key) << "channel " << c << " frame " << i;
        }
    }
    float largest = 0.0f;
    for (float m : meters) {
        largest = std::max(largest, m);
    }
    EXPECT_EQ(largest, 0.5f) << "an open gate reads 0.5";
}

// The key level is the magnitude of the filtered key: a negated input gives the same gains, so
// exactly the negated output and the same meter.
TEST_P(DeliverableTest, NegatedInputGivesNegatedOutput) {
    auto signal = enginetest::drumSignal(channels(), 30000, enginetest::testSeed());
    auto negated = signal;
    for (auto& channel : negated) {
        for (float& v : channel) {
            v = -v;
        }
    }
    for (int program = 0; program < 4; ++program) {
        AEffect* a = open();
        AEffect* b = open();
        dispatch(a, effSetProgram, 0, program);
        dispatch(b, effSetProgram, 0, program);
        std::vector<float> metersA;
        std::vector<float> metersB;
        const auto outA = run(a, signal, kAwkwardCalls, false, &metersA);
        const auto outB = run(b, negated, kAwkwardCalls, false, &metersB);
        EXPECT_EQ(metersA, metersB) << "program " << program;
        for (int c = 0; c < channels(); ++c) {
            for (std::size_t i = 0; i < outA[c].size(); ++i) {
                ASSERT_EQ(outB[c][i], -outA[c][i]) << "program " << program << " frame " << i;
            }
        }
    }
}

TEST_P(DeliverableTest, SampleRateChangeClearsStateAndRecomputesForTheProgram) {
    const auto burst = enginetest::drumSignal(channels(), 10000, 21);
    const auto after = enginetest::drumSignal(channels(), 30000, 22);
    AEffect* used = open();
    AEffect* fresh = open();
    for (AEffect* e : {used, fresh}) {
        dispatch(e, effSetProgram, 0, 1);
        e->setParameter(e, 2, 0.3f); // an edited value, so the program is applied from memory
    }
    run(used, burst, {512});
    dispatch(used, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(fresh, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_TRUE(sameBits(run(used, after, kAwkwardCalls), run(fresh, after, kAwkwardCalls)));
    EXPECT_EQ(used->getParameter(used, 2), 0.3f);

    // The coefficients follow the rate: the same input at 44100 Hz gives other output.
    AEffect* at44100 = open();
    dispatch(at44100, effSetProgram, 0, 1);
    at44100->setParameter(at44100, 2, 0.3f);
    AEffect* at48000 = open();
    dispatch(at48000, effSetProgram, 0, 1);
    at48000->setParameter(at48000, 2, 0.3f);
    dispatch(at48000, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_FALSE(sameBits(run(at44100, after, {512}), run(at48000, after, {512})));
}

// Setting rate and block size together (opcode 43) acts on the engine like setting the rate alone.
TEST_P(DeliverableTest, RateSetWithTheBlockSizeReachesTheEngine) {
    const auto burst = enginetest::drumSignal(channels(), 10000, 23);
    const auto after = enginetest::drumSignal(channels(), 30000, 24);
    AEffect* combined = open();
    AEffect* alone = open();
    run(combined, burst, {512});
    EXPECT_EQ(dispatch(combined, effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f), 1);
    dispatch(alone, effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_TRUE(sameBits(run(combined, after, kAwkwardCalls), run(alone, after, kAwkwardCalls)));
}

TEST_P(DeliverableTest, SwitchingOffAndOnKeepsTheEnvelope) {
    auto signal = enginetest::drumSignal(channels(), 40000, 31, 44100.0f, 40000);
    AEffect* plain = open();
    AEffect* switched = open();
    for (AEffect* e : {plain, switched}) {
        e->setParameter(e, 3, 0.5f); // a release of about one second
    }
    std::vector<std::vector<float>> head(channels());
    std::vector<std::vector<float>> tail(channels());
    for (int c = 0; c < channels(); ++c) {
        head[c].assign(signal[c].begin(), signal[c].begin() + 4000);
        tail[c].assign(signal[c].begin() + 4000, signal[c].end());
    }
    EXPECT_TRUE(sameBits(run(plain, head, {512}), run(switched, head, {512})));
    dispatch(switched, effMainsChanged, 0, 0);
    dispatch(switched, effMainsChanged, 0, 1);
    std::vector<float> meters;
    EXPECT_TRUE(sameBits(run(plain, tail, {512}), run(switched, tail, {512}, false, &meters)));
    EXPECT_GT(meters.at(0), 0.1f) << "the envelope was still open after switching on";
}

// ---- bad input ----

// Non-finite samples give garbage only where they are; afterwards the output is finite and, once
// the ringing of the cleared filters has died away, the gate behaves as if those samples had been
// silence.
TEST_P(DeliverableTest, NonFiniteSamplesDoNotPoisonTheState) {
    const int32_t frames = 4 * 44100;
    const auto clean = enginetest::drumSignal(channels(), frames, enginetest::testSeed());
    auto bad = clean;
    auto silenced = clean;
    const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
    std::vector<bool> isBad(frames, false);
    for (int k = 0; k < 3; ++k) {
        for (int32_t i = 1000 + 5000 * k; i < 1010 + 5000 * k; ++i) {
            isBad[i] = true;
            for (int c = 0; c < channels(); ++c) {
                bad[c][i] = values[k];
                silenced[c][i] = 0.0f;
            }
        }
    }
    for (int program = 0; program < 4; ++program) {
        AEffect* a = open();
        AEffect* b = open();
        dispatch(a, effSetProgram, 0, program);
        dispatch(b, effSetProgram, 0, program);
        std::vector<float> meters;
        const auto out = run(a, bad, kAwkwardCalls, false, &meters);
        const auto reference = run(b, silenced, kAwkwardCalls);
        for (float m : meters) {
            ASSERT_TRUE(std::isfinite(m)) << "program " << program;
        }
        for (int c = 0; c < channels(); ++c) {
            for (int32_t i = 0; i < frames; ++i) {
                if (isBad[i]) {
                    continue;
                }
                ASSERT_TRUE(std::isfinite(out[c][i])) << "program " << program << " frame " << i;
                if (i >= 3 * 44100) {
                    ASSERT_NEAR(out[c][i], reference[c][i], 1e-4)
                        << "program " << program << " frame " << i;
                }
            }
        }
    }
}

// Below 44100 Hz the init program's low-pass (12 kHz) and the fastest attack (20 kHz) lie above
// half the sample rate; the output stays bounded.
TEST_P(DeliverableTest, LowSampleRatesStayStable) {
    for (float rate : {8000.0f, 22050.0f, 32000.0f}) {
        AEffect* e = open();
        dispatch(e, effSetSampleRate, 0, 0, nullptr, rate);
        e->setParameter(e, 7, 0.999f);
        e->setParameter(e, 8, 0.95f);
        e->setParameter(e, 6, 1.0f); // listen to the key: the filters' own output
        const auto signal = enginetest::drumSignal(channels(), 50000, 41, rate);
        const auto out = run(e, signal, {512});
        for (const auto& channel : out) {
            for (float v : channel) {
                ASSERT_LT(std::fabs(v), 10.0f) << rate;
            }
        }
    }
}

TEST_P(DeliverableTest, TopThresholdWithInputAboveFullScaleStaysFinite) {
    effect->setParameter(effect, 0, 1.0f);
    effect->setParameter(effect, 4, 1.0f);
    effect->setParameter(effect, 7, 1.0f);
    effect->setParameter(effect, 8, 0.0f);
    std::vector<std::vector<float>> loud(channels(), std::vector<float>(4096, 4.0f));
    std::vector<float> meters;
    const auto out = run(effect, loud, {512}, false, &meters);
    for (const auto& channel : out) {
        for (float v : channel) {
            ASSERT_TRUE(std::isfinite(v));
        }
    }
    EXPECT_EQ(meters.back(), 0.5f);
}

TEST_P(DeliverableTest, BadSampleRatesAreIgnored) {
    AEffect* fresh = open();
    for (float rate : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity()}) {
        dispatch(effect, effSetSampleRate, 0, 0, nullptr, rate);
    }
    const auto signal = enginetest::drumSignal(channels(), 20000, 51);
    EXPECT_TRUE(sameBits(run(effect, signal, {512}), run(fresh, signal, {512})));
}

} // namespace
} // namespace kestrune
