#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) in
# build-fuzz, seeds the target's corpus and runs it on one core.
# Usage: [FUZZ_TIMEOUT=S] scripts/fuzz.sh TARGET SECONDS
#   FUZZ_TIMEOUT: seconds one input may take before it counts as a hang (30).
#   TARGET: STL_IO_fuzz, PelliskTool_PlyReader_fuzz, HalfEdge_Mesh_fuzz or Pelk_API_fuzz.
# The log goes to build-fuzz/logs/TARGET.log. Exits non-zero on a finding and
# names the reproducer; replay one with: build-fuzz/bin/TARGET FILE
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:?usage: scripts/fuzz.sh TARGET SECONDS}"
seconds="${2:?usage: scripts/fuzz.sh TARGET SECONDS}"

# The fuzzing compiler and its runtimes are needed here only, not by the normal build.
bash scripts/install-deps.sh clang-14 libclang-rt-14-dev libomp-14-dev python3

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELLISK_BUILD_FUZZERS=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz --parallel 2 --target "$target"

corpus="build-fuzz/corpus/$target"
artifacts="build-fuzz/artifacts/$target"
mkdir -p "$corpus" "$artifacts" build-fuzz/logs
/usr/bin/python3 - "$target" "$corpus" <<'PYTHON'
# Small valid inputs of each target's format, from which libFuzzer mutates.
import glob, os, struct, sys

target, corpus = sys.argv[1], sys.argv[2]
TETRA = [(0, 0, 0), (1, 0, 0), (0, 1, 0), (0, 0, 1)]
TETRA_FACES = [(0, 2, 1), (0, 1, 3), (0, 3, 2), (1, 2, 3)]
BOX = [(x, y, z) for x in (0, 1) for y in (0, 1) for z in (0, 1)]
BOX_FACES = [(0, 1, 3), (0, 3, 2), (4, 6, 7), (4, 7, 5), (0, 4, 5), (0, 5, 1),
             (2, 3, 7), (2, 7, 6), (0, 2, 6), (0, 6, 4), (1, 5, 7), (1, 7, 3)]


def seed(name, data):
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)


def stl_ascii(nodes, faces):
    facets = "".join("facet normal 0 0 0\nouter loop\n" + "".join("vertex %g %g %g\n" % nodes[i] for i in f)
                     + "endloop\nendfacet\n" for f in faces)
    return "solid s\n" + facets + "endsolid s\n"


def stl_binary(facets):
    return b"s".ljust(80, b" ") + struct.pack("<I", len(facets)) + b"".join(
        struct.pack("<12fH", 0, 0, 0, *[c for p in f for c in p], 0) for f in facets)


def ply(nodes, faces, fmt):
    head = "ply\nformat %s 1.0\nelement vertex %d\nproperty float x\nproperty float y\nproperty float z\n" \
           "element face %d\nproperty list uchar int vertex_indices\nend_header\n" % (fmt, len(nodes), len(faces))
    if fmt == "ascii":
        return (head + "".join("%g %g %g\n" % p for p in nodes)
                + "".join("%d %s\n" % (len(f), " ".join(map(str, f))) for f in faces)).encode()
    e = "<" if fmt == "binary_little_endian" else ">"
    return head.encode() + b"".join(struct.pack(e + "3f", *p) for p in nodes) + b"".join(
        struct.pack(e + "B%di" % len(f), len(f), *f) for f in faces)


def grid_bytes(nodes, scale):
    return bytes(int(c * scale) % 250 for p in nodes for c in p)


if target == "STL_IO_fuzz":
    seed("tetra_ascii.stl", stl_ascii(TETRA, TETRA_FACES))
    seed("box_binary.stl", stl_binary([[BOX[i] for i in f] for f in BOX_FACES]))
    # The first facets of the smallest real meshes, with the count made to match.
    for path in sorted(glob.glob("tests/data/*.stl"), key=os.path.getsize)[:3]:
        data = open(path, "rb").read()
        seed(os.path.basename(path), data[:80] + struct.pack("<I", 40) + data[84:84 + 40 * 50])
elif target == "PelliskTool_PlyReader_fuzz":
    for fmt in ("ascii", "binary_little_endian", "binary_big_endian"):
        seed("tetra_%s.ply" % fmt, ply(TETRA, TETRA_FACES, fmt))
    seed("box_quads.ply", ply(BOX, [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4),
                                    (1, 5, 7, 3)], "ascii"))
elif target == "HalfEdge_Mesh_fuzz":
    # Node count - 1, nodes on the grid of quarters (byte / 2 / 4), 0-based corners.
    seed("tetra", bytes([3]) + grid_bytes(TETRA, 8) + bytes(c for f in TETRA_FACES for c in f))
    seed("box", bytes([7]) + grid_bytes(BOX, 8) + bytes(c for f in BOX_FACES for c in f))
    seed("box_twice", bytes([7]) + grid_bytes(BOX, 8) + bytes(c for f in BOX_FACES + BOX_FACES[::-1] for c in f))
elif target == "Pelk_API_fuzz":
    # Divisions byte, then the three corners of each triangle (coordinate = (byte - 126) / 16).
    def soup(nodes, faces, offset=0):
        return bytes(126 + 16 * c + offset for f in faces for i in f for c in nodes[i])
    seed("tetra", bytes([0]) + soup(TETRA, TETRA_FACES))
    seed("box", bytes([8]) + soup(BOX, BOX_FACES))
    seed("tetras", bytes([4]) + soup(TETRA, TETRA_FACES) + soup(TETRA, TETRA_FACES, 8))
PYTHON

# Known findings in the geometry kernel are suppressed (see the file).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$PWD/tests/fuzz/asan_suppressions.txt"
log="build-fuzz/logs/$target.log"
status=0
"build-fuzz/bin/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout="${FUZZ_TIMEOUT:-30}" -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?
echo "$target: $(grep -m1 "stat::number_of_executed_units" "$log" | awk "{print \$2}") executions (limit $seconds s)"
if [ "$status" -ne 0 ]; then
  echo "$target: FINDING (exit $status), log $log"
  grep -E 'Test unit written to' "$log" | sed 's/.*written to /reproducer: /' || true
  exit 1
fi
echo "$target: no finding"
