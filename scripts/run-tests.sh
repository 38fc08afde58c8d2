#!/usr/bin/env bash
# Every test of every preset: installs what is missing, builds native, windows (tests under Wine),
# the address/undefined-behaviour sanitizer build and the thread sanitizer build (which runs the
# tests labelled threads: the audio and editor threads at once), runs each preset's tests, and
# ends with one summary line for all of them.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || exit 1

presets=(${KESTRUNE_TEST_PRESETS:-native windows asan tsan})
total_passed=0
total_failed=0
status=0
summary=()

for preset in "${presets[@]}"; do
    started=$(date +%s)
    if ! bash scripts/build.sh "$preset"; then
        echo "==> $preset: build failed"
        summary+=("$preset: build failed")
        status=1
        continue
    fi
    echo "==> test: $preset"
    log="build/$preset/ctest.log"
    selection=()
    [ "$preset" = tsan ] && selection=(-L threads)
    ctest --preset "$preset" --no-tests=error "${selection[@]}" 2>&1 | tee "$log"
    result=${PIPESTATUS[0]}
    counts=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$counts")
    all=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$counts")
    if [ -z "$counts" ]; then failed=1; all=1; fi
    total_passed=$((total_passed + all - failed))
    total_failed=$((total_failed + failed))
    [ "$result" -eq 0 ] || status=1
    summary+=("$preset: $((all - failed)) passed, $failed failed in $(($(date +%s) - started)) s")
done

# Stop the Wine server that the Windows tests started.
for prefix in build/*/wineprefix; do
    [ -d "$prefix" ] && WINEPREFIX="$PWD/$prefix" wineserver -k >/dev/null 2>&1 || true
done

echo
printf '%s\n' "${summary[@]}"
echo "total: $total_passed passed, $total_failed failed"
exit $status
