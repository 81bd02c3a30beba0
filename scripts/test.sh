#!/usr/bin/env bash
# Installs what is missing, builds the library, its tests and tools, and runs
# the tests. Usage: scripts/test.sh [build type]
#   scripts/test.sh          the whole suite in Release (build/), then the suite
#                            without the "large" wraps under AddressSanitizer and
#                            UBSan (build-asan/): what CI runs.
#   scripts/test.sh TYPE     the whole suite in that build type alone, in
#                            build-<type>/ ("Asan": the sanitizer suite).
set -euo pipefail
cd "$(dirname "$0")/.."

# Sanitized runs: leaks are reported at exit, and OpenMP's runtime keeps its
# thread pool alive until then, so leak checking stays on only for our code.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_odr_violation=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# Test programs run side by side, each with OpenMP regions of up to two
# threads: threads that wait should sleep, not spin on the cores others need.
export OMP_WAIT_POLICY="${OMP_WAIT_POLICY:-passive}"

# suite BUILD_TYPE [ctest arguments...]: configures, builds and tests one build dir.
suite() {
  local build_type="$1" build_dir="build"
  shift
  [ "$build_type" = "Release" ] || build_dir="build-$(echo "$build_type" | tr '[:upper:]' '[:lower:]')"
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type"
  cmake --build "$build_dir" --parallel "$(nproc)"
  ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" "$@"
}

bash scripts/install-deps.sh
if [ $# -gt 0 ]; then
  suite "$1"
else
  suite Release
  # The large wraps take minutes each even unsanitized; the sanitizers see
  # the same code on the smaller wraps of the suite.
  suite Asan -LE large
fi
