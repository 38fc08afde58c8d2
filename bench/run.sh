#!/bin/sh
# Builds the plug-ins and the engine benchmark in a build folder of their own (optimised, as the
# deliverables ship) and runs every benchmark five times, reporting mean, median and spread.
# Extra arguments go to the benchmark, e.g. --benchmark_filter=Kestrune_ST/.*/512
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTRUNE_BENCH_BUILD:-"$root/build/bench"}
cmake --preset native -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRUNE_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target kestrune_engine_bench
exec "$build/bench/kestrune_engine_bench" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true "$@"
