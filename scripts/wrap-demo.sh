#!/usr/bin/env bash
# Installs what is missing, builds Pellisk and wraps a bundled dirty mesh (the
# Utah teapot: separate open shells whose spout and handle pierce the body)
# with the default pipeline of resource/Pellisk.conf (shrink wrapping: the voxel
# skin pulled onto the input and repaired, then the refinement steps), then
# describes the input and checks the wrap against it.
# Usage: scripts/wrap-demo.sh [cell size as a fraction of the bounding cube, default 1/128]
set -euo pipefail
cd "$(dirname "$0")/.."
fraction="${1:-0.0078125}"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --parallel "$(nproc)" --target pellisk

input=tests/data/teapot_utah.stl
output=build/teapot_wrap.stl
echo "== input: $input"
build/bin/pellisk info "$input"
echo "== wrapping with cell size $fraction of the bounding cube"
build/bin/pellisk wrap "$input" "$output" --cell-rel "$fraction" --verbose
echo "== check of the wrap: $output"
build/bin/pellisk check "$input" "$output"
