#!/usr/bin/env bash
# Builds Zarvon if needed and starts it; arguments go to the program (the
# first one is an archive to open).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh" >&2
exec "${ZARVON_BUILD_DIR:-$top/build}/bin/zarvon" "$@"
