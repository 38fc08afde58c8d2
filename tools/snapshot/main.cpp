// kestrune-snapshot: writes a picture of a plug-in's editor as the software window system draws
// it. Usage:
//   kestrune-snapshot PLUGIN OUT.png [--program N] [--param INDEX=VALUE]... [--tone SECONDS:LEVEL]
//                     [--click X,Y] [--drag X,Y:X,Y[:STEPS]] [--shift] [--idle N]
#include "Snapshot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: kestrune-snapshot PLUGIN OUT.png [--program N] [--param INDEX=VALUE]...\n"
                 "       [--tone SECONDS:LEVEL] [--click X,Y] [--drag X,Y:X,Y[:STEPS]] [--shift]\n"
                 "       [--idle N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using kestrune::snapshot::Gesture;
    if (argc < 3) {
        return usage();
    }
    kestrune::snapshot::Request request;
    request.pluginPath = argv[1];
    request.outputPng = argv[2];
    bool shift = false;
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (option == "--shift") {
            shift = true;
            continue;
        }
        if (!value) {
            return usage();
        }
        ++i;
        if (option == "--program") {
            request.program = std::atoi(value);
        } else if (option == "--param") {
            int index = 0;
            float level = 0.0f;
            if (std::sscanf(value, "%d=%f", &index, &level) != 2) {
                return usage();
            }
            request.params.emplace_back(index, level);
        } else if (option == "--tone") {
            double seconds = 0.0;
            float level = 0.0f;
            if (std::sscanf(value, "%lf:%f", &seconds, &level) != 2) {
                return usage();
            }
            request.toneSeconds = seconds;
            request.toneAmplitude = level;
        } else if (option == "--click") {
            Gesture gesture;
            if (std::sscanf(value, "%d,%d", &gesture.fromX, &gesture.fromY) != 2) {
                return usage();
            }
            gesture.toX = gesture.fromX;
            gesture.toY = gesture.fromY;
            gesture.shift = shift;
            request.gestures.push_back(gesture);
        } else if (option == "--drag") {
            Gesture gesture;
            const int read = std::sscanf(value, "%d,%d:%d,%d:%d", &gesture.fromX, &gesture.fromY,
                                         &gesture.toX, &gesture.toY, &gesture.steps);
            if (read < 4) {
                return usage();
            }
            gesture.shift = shift;
            request.gestures.push_back(gesture);
        } else if (option == "--idle") {
            request.idleTicks = std::atoi(value);
        } else {
            return usage();
        }
    }
    const kestrune::snapshot::Result result = kestrune::snapshot::take(request);
    if (!result.ok) {
        std::fprintf(stderr, "kestrune-snapshot: %s\n", result.error.c_str());
        return 1;
    }
    std::printf("%s: %d x %d\n", request.outputPng.c_str(), result.width, result.height);
    return 0;
}
