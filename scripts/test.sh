#!/usr/bin/env bash
# Builds Zarvon and runs every test; exits non-zero when any test fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
cd "${ZARVON_BUILD_DIR:-$top/build}"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@"
