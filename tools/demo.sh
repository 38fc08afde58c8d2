#!/usr/bin/env bash
# Renders the built-in drum demo through Kestrune_ST three ways ("sn gate", "kick gate" and duck
# mode) and writes the audio and the plots to demo-output/ at the top of the repository.
# Expects the build dependencies to be installed (scripts/install-deps.sh); builds what it needs
# in build/native (or in the folder KESTRUNE_DEMO_BUILD_DIR names).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRUNE_DEMO_BUILD_DIR:-"$root/build/native"}
output="$root/demo-output"
log="$build/demo-build.log"

# ---- build the renderer and the plug-in ----
mkdir -p "$build"
echo "building kestrune-render and Kestrune_ST in ${build#"$root"/} (log: ${log#"$root"/}) ..."
if ! (cd "$root" && cmake --preset native -B "$build" && cmake --build "$build" -j2 \
        --target kestrune-render Kestrune_ST) >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    echo "demo: the build failed; the whole log is in $log" >&2
    exit 1
fi

renderer="$build/tools/kestrune-render"
plugin="$build/plugins/Kestrune_ST.so"
mkdir -p "$output"

# ---- render: name, then the renderer's settings ----
plot_extension=png
if ! "$renderer" --help | grep -q 'plots as SVG and PNG'; then
    plot_extension=svg
fi

render() {
    local name=$1
    local label=$2
    shift 2
    local audio="$output/$name.wav"
    local plot="$output/$name.$plot_extension"
    local report
    if ! report=$("$renderer" "$plugin" -o "$audio" --plot "$plot" "$@" 2>"$output/$name.log"); then
        cat "$output/$name.log" >&2
        exit 1
    fi
    local summary
    summary=$(printf '%s\n' "$report" | sed -n 's/^summary: //p')
    printf '%-10s %s\n' "$label" "$summary"
    [ "$name" = sn-gate ] || rm -f "$output/$name.log"
    printf '%-10s audio %s, plot %s\n' "" "${audio#"$root"/}" "${plot#"$root"/}"
}

echo "rendering the drum demo through Kestrune_ST into ${output#"$root"/}/"
render sn-gate "sn gate" --program "sn gate" --save-input "$output/input.wav"
render kick-gate "kick gate" --program "kick gate"
render duck "duck mode" --program "sn gate" --param Duck=1
sed -n 's/^demo input: /input:     /p' "$output/sn-gate.log"
rm -f "$output/sn-gate.log"
echo "           audio ${output#"$root"/}/input.wav"
