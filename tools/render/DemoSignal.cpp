#include "DemoSignal.h"

#include "AudioFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace kestrune::render {

namespace {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kStepSeconds = 0.15; // sixteenth notes at 100 beats per minute
constexpr int kStepsPerBar = 16;
constexpr int kBars = 4;
constexpr double kTailSeconds = 1.2;
constexpr double kHissDb = -50.0;
constexpr double kHumDb = -58.0;
constexpr double kDrumPeakDb = -3.0;

enum class Drum { Kick, Snare };

struct Hit {
    int step;
    Drum drum;
    double velocity;
};

// A half-time rock beat with room around the hits, so that a gate with a long hold closes
// between them: kick on one, snare on three, and in every second bar a second kick soon after
// the first.
std::vector<Hit> pattern() {
    std::vector<Hit> hits;
    for (int bar = 0; bar < kBars; ++bar) {
        int base = bar * kStepsPerBar;
        hits.push_back({base + 0, Drum::Kick, 1.0});
        if (bar % 2 == 1) {
            hits.push_back({base + 3, Drum::Kick, 0.7});
        }
        hits.push_back({base + 8, Drum::Snare, 1.0});
    }
    return hits;
}

// A small deterministic generator, so every run renders the same demo.
class NoiseSource {
public:
    explicit NoiseSource(std::uint32_t seed) : state(seed) {}
    // Uniform in [-1, 1).
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }

private:
    std::uint32_t state;
};

std::vector<float> synthKick() {
    std::size_t length = static_cast<std::size_t>(0.5 * kSampleRate);
    std::vector<float> sound(length);
    double phase = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double frequency = 48.0 + 110.0 * std::exp(-t / 0.04);
        phase += 2.0 * kPi * frequency / kSampleRate;
        double body = std::sin(phase) * std::exp(-t / 0.16);
        double click = std::exp(-t / 0.002) * 0.5;
        sound[i] = static_cast<float>(body + click);
    }
    return sound;
}

std::vector<float> synthSnare() {
    std::size_t length = static_cast<std::size_t>(0.4 * kSampleRate);
    std::vector<float> sound(length);
    NoiseSource noise(12345u);
    double lowPassed = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double white = noise.next();
        lowPassed += 0.35 * (white - lowPassed);
        double rattle = (white - 0.5 * lowPassed) * std::exp(-t / 0.07);
        double tone = std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t / 0.05);
        sound[i] = static_cast<float>(0.7 * rattle + 0.6 * tone);
    }
    return sound;
}

bool loadKitSample(const std::string& path, std::vector<float>& sound) {
    AudioBuffer buffer;
    std::string error;
    if (!readAudioFile(path, buffer, error) || buffer.sampleRate != kSampleRate ||
        buffer.frameCount() == 0) {
        return false;
    }
    // Mix the recording to one channel.
    sound.assign(buffer.frameCount(), 0.0f);
    for (const auto& channel : buffer.channels) {
        for (std::size_t i = 0; i < sound.size(); ++i) {
            sound[i] += channel[i] / static_cast<float>(buffer.channelCount());
        }
    }
    return true;
}

double dbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

} // namespace

std::string defaultDrumKitFolder() {
    if (const char* folder = std::getenv("KESTRUNE_DRUMKIT_DIR")) {
        return folder;
    }
    return "/usr/share/hydrogen/data/drumkits/GMRockKit";
}

DemoSignal makeDemoSignal(int channels, const std::string& drumKitFolder) {
    DemoSignal demo;
    channels = std::clamp(channels, 1, 2);

    // ---- the two drum sounds ----
    std::vector<float> kick;
    std::vector<float> snare;
    bool recorded = !drumKitFolder.empty() &&
                    loadKitSample(drumKitFolder + "/Kick-Hard.wav", kick) &&
                    loadKitSample(drumKitFolder + "/Snare-Hard.wav", snare);
    if (recorded) {
        demo.source = "GMRockKit kick and snare recordings from " + drumKitFolder;
    } else {
        kick = synthKick();
        snare = synthSnare();
        demo.source = "synthesized kick and snare";
    }

    // ---- mix the pattern: kick in the middle, snare a little to the right ----
    std::size_t stepFrames = static_cast<std::size_t>(kStepSeconds * kSampleRate);
    std::size_t frames =
        stepFrames * kStepsPerBar * kBars + static_cast<std::size_t>(kTailSeconds * kSampleRate);
    std::vector<std::vector<double>> drums(static_cast<std::size_t>(channels),
                                           std::vector<double>(frames, 0.0));
    for (const Hit& hit : pattern()) {
        std::size_t onset = static_cast<std::size_t>(hit.step) * stepFrames;
        demo.onsets.push_back(onset);
        const std::vector<float>& sound = hit.drum == Drum::Kick ? kick : snare;
        double pan[2] = {1.0, 1.0};
        if (channels == 2 && hit.drum == Drum::Snare) {
            pan[0] = 0.8;
        }
        for (int channel = 0; channel < channels; ++channel) {
            double gain = hit.velocity * pan[channel];
            for (std::size_t i = 0; i < sound.size() && onset + i < frames; ++i) {
                drums[channel][onset + i] += gain * sound[i];
            }
        }
    }
    std::sort(demo.onsets.begin(), demo.onsets.end());
    double peak = 0.0;
    for (const auto& channel : drums) {
        for (double sample : channel) {
            peak = std::max(peak, std::fabs(sample));
        }
    }
    double drumGain = peak > 0.0 ? dbToGain(kDrumPeakDb) / peak : 0.0;

    // ---- noise: hiss and a little mains hum, independent per channel ----
    double hissGain = dbToGain(kHissDb) * std::sqrt(3.0); // uniform noise has RMS 1/sqrt(3)
    double humGain = dbToGain(kHumDb) * std::sqrt(2.0);
    demo.audio.sampleRate = kSampleRate;
    demo.audio.resize(channels, frames);
    demo.audio.sourceEncoding = SampleEncoding::Float32;
    std::vector<double> noiseEnergy(frames, 0.0);
    for (int channel = 0; channel < channels; ++channel) {
        NoiseSource hiss(0x4b455354u + static_cast<std::uint32_t>(channel));
        for (std::size_t i = 0; i < frames; ++i) {
            double t = static_cast<double>(i) / kSampleRate;
            double noise = hissGain * hiss.next() + humGain * std::sin(2.0 * kPi * 50.0 * t);
            demo.audio.channels[channel][i] =
                static_cast<float>(drumGain * drums[channel][i] + noise);
        }
    }
    double noiseRms =
        std::sqrt(dbToGain(kHissDb) * dbToGain(kHissDb) + dbToGain(kHumDb) * dbToGain(kHumDb));
    demo.noiseLevelDb = 20.0 * std::log10(noiseRms);

    // ---- where only noise is left: drums 10 dB below it over 10 ms, no hit due in 20 ms ----
    std::size_t window = kSampleRate / 100;
    std::size_t lookAhead = kSampleRate / 50;
    double quietEnergy = noiseRms * noiseRms * 0.1;
    demo.noiseOnly.assign(frames, false);
    std::size_t nextOnset = 0;
    for (std::size_t start = 0; start + window <= frames; start += window) {
        double energy = 0.0;
        for (const auto& channel : drums) {
            for (std::size_t i = start; i < start + window; ++i) {
                double sample = drumGain * channel[i];
                energy += sample * sample;
            }
        }
        energy /= static_cast<double>(window * drums.size());
        while (nextOnset < demo.onsets.size() && demo.onsets[nextOnset] < start) {
            ++nextOnset;
        }
        bool hitComing =
            nextOnset < demo.onsets.size() && demo.onsets[nextOnset] < start + window + lookAhead;
        if (energy < quietEnergy && !hitComing) {
            std::fill_n(demo.noiseOnly.begin() + static_cast<long>(start), window, true);
        }
    }
    return demo;
}

double maskedLevelDb(const AudioBuffer& buffer, const std::vector<bool>& mask) {
    double energy = 0.0;
    std::size_t count = 0;
    for (const auto& channel : buffer.channels) {
        for (std::size_t i = 0; i < channel.size() && i < mask.size(); ++i) {
            if (mask[i]) {
                energy += static_cast<double>(channel[i]) * channel[i];
                ++count;
            }
        }
    }
    if (count == 0) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (energy <= 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    return 10.0 * std::log10(energy / static_cast<double>(count));
}

std::vector<bool> hitMask(const DemoSignal& demo) {
    std::size_t frames = demo.audio.frameCount();
    std::vector<bool> mask(frames, false);
    std::size_t length = static_cast<std::size_t>(0.06 * demo.audio.sampleRate);
    for (std::size_t onset : demo.onsets) {
        for (std::size_t i = onset; i < onset + length && i < frames; ++i) {
            mask[i] = true;
        }
    }
    return mask;
}

} // namespace kestrune::render
