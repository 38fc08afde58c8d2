#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace kestrune::render::testing {

namespace {

std::string shellQuoted(const std::string& text) {
#ifdef _WIN32
    return "\"" + text + "\"";
#else
    std::string result = "'";
    for (char c : text) {
        if (c == '\'') {
            result += "'\\''";
        } else {
            result += c;
        }
    }
    return result + "'";
#endif
}

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

std::vector<std::string> ToolResult::errLines() const {
    std::vector<std::string> lines;
    std::stringstream stream(err);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

ToolResult runTool(const std::string& program, const std::vector<std::string>& args,
                   const std::string& scratchDir, const std::vector<std::string>& environment) {
    std::string outPath = scratchDir + "/tool-stdout.txt";
    std::string errPath = scratchDir + "/tool-stderr.txt";
    std::string command = shellQuoted(program);
    for (const std::string& arg : args) {
        command += " " + shellQuoted(arg);
    }
#ifdef _WIN32
    // Only the sanitizer builds, which are native, need settings.
    (void)environment;
    command += " >" + shellQuoted(outPath) + " 2>" + shellQuoted(errPath) + " <NUL";
    // cmd.exe strips the outer quotes of a command line that starts with one.
    command = "\"" + command + "\"";
#else
    for (const std::string& setting : environment) {
        command = setting + " " + command;
    }
    command += " >" + shellQuoted(outPath) + " 2>" + shellQuoted(errPath) + " </dev/null";
#endif
    int status = std::system(command.c_str());
    ToolResult result;
#ifdef _WIN32
    result.exitCode = status;
#else
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    return result;
}

std::string scratchFolder(const std::string& name) {
    // Tests run in parallel: each gets folders of its own, named after it.
    std::string owner = "outside-a-test";
    if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
        owner = std::string(test->test_suite_name()) + "." + test->name();
        for (char& c : owner) {
            if (c == '/') {
                c = '_';
            }
        }
    }
    std::filesystem::path folder =
        std::filesystem::path(KESTRUNE_TEST_OUTPUT_DIR) / "tools" / owner / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

AudioBuffer makeBurstSignal(int channels, int frames, int sampleRate, unsigned seed) {
    AudioBuffer buffer;
    buffer.sampleRate = sampleRate;
    buffer.resize(channels, static_cast<std::size_t>(frames));
    for (int channel = 0; channel < channels; ++channel) {
        unsigned state = seed * 7919u + static_cast<unsigned>(channel) * 104729u + 1u;
        for (int i = 0; i < frames; ++i) {
            state = state * 1664525u + 1013904223u;
            double noise = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
            // A burst every 0.5 s, 40 ms long, decaying; -60 dB noise in between.
            int phase = i % (sampleRate / 2);
            double burst = phase < sampleRate / 25
                               ? 0.8 * std::exp(-phase / (0.01 * sampleRate)) *
                                     std::sin(2.0 * 3.141592653589793 * 180.0 * i / sampleRate)
                               : 0.0;
            buffer.channels[channel][i] = static_cast<float>(burst + 0.001 * noise);
        }
    }
    return buffer;
}

} // namespace kestrune::render::testing
