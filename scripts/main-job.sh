#!/usr/bin/env bash
# The main job: installs what is missing, builds both plug-ins for Linux and Windows, and renders
# the demo through the stereo plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh native windows

echo
echo "Built plug-ins:"
for file in build/native/plugins/Kestrune_* build/windows/plugins/Kestrune_*; do
    [ -f "$file" ] && printf '  %-40s %8d bytes\n' "$file" "$(stat -c %s "$file")"
done

if [ -f tools/demo.sh ]; then
    echo
    bash tools/demo.sh
fi
