#!/usr/bin/env bash
# Installs what is missing, builds the library, its tests and tools, and runs
# every test. Usage: scripts/test.sh [build type, default Release]
#   scripts/test.sh Asan   runs the suite under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
build_type="${1:-Release}"
build_dir="build"
[ "$build_type" = "Release" ] || build_dir="build-$(echo "$build_type" | tr '[:upper:]' '[:lower:]')"

bash scripts/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type"
cmake --build "$build_dir" --parallel "$(nproc)"
# Sanitized runs: leaks are reported at exit, and OpenMP's runtime keeps its
# thread pool alive until then, so leak checking stays on only for our code.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_odr_violation=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# Test programs run side by side, each with OpenMP regions of up to two
# threads: threads that wait should sleep, not spin on the cores others need.
export OMP_WAIT_POLICY="${OMP_WAIT_POLICY:-passive}"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
