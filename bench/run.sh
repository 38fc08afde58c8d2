#!/bin/sh
# Builds the plug-ins and the engine benchmark in a build folder of their own (the native preset's
# optimised build, as the deliverables ship) and runs every benchmark five times, reporting mean,
# median and spread. Times are CPU time per sample frame (per_frame).
# Extra arguments go to the benchmark, e.g. --benchmark_filter=Kestrune_ST/.*/512
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTRUNE_BENCH_BUILD:-"$root/build/bench"}
cmake --preset native -B "$build" -DKESTRUNE_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target kestrune_engine_bench
exec "$build/bench/kestrune_engine_bench" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true "$@"
