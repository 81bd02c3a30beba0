#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the benchmarks need,
# and the further packages named as arguments (scripts/fuzz.sh adds its compiler).
# Idempotent: packages already present are left alone, and the package lists are
# refreshed only when something is missing.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config clang-format
  libocct-foundation-dev libocct-modeling-data-dev libocct-modeling-algorithms-dev
  libocct-data-exchange-dev libocct-visualization-dev libocct-ocaf-dev
  libtbb-dev libopenmesh-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcgal-dev
  pybind11-dev python3-dev python3-numpy python3-pytest
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
