// Prints the math probe's results as exact hexadecimal floating-point numbers, one a line.
#include "MathProbe.h"

#include <cstdio>

int main() {
    for (const auto& sample : kestrune::render::testing::mathProbe()) {
        std::printf("%s %a %a\n", sample.function, sample.argument, sample.result);
    }
    return 0;
}
