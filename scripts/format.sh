#!/usr/bin/env bash
# Formats every C++ file of the project in place.
set -euo pipefail
cd "$(dirname "$0")/.."
find src tests $(ls -d tools bench python 2>/dev/null) \( -name '*.hxx' -o -name '*.cxx' -o -name '*.cpp' \) -print0 \
  | xargs -0 -r clang-format -i --style=file
