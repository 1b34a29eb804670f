#!/usr/bin/env bash
# The main window at scale: select all, the status-bar counts and opening the
# compression window on a folder of 20,000 files, listing an archive of 65,537
# entries and each keystroke typed into its filter. Builds zarvon_ui_bench in build/ (with ZARVON_BUILD_BENCH)
# and runs it on the offscreen platform.
#
#   bench/ui_scale.sh [FILES] [ENTRIES]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
files="${1:-20000}"
entries="${2:-65537}"
work="$(mktemp -d /tmp/zarvon-ui-bench-XXXXXX)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$root/build" -DZARVON_BUILD_BENCH=ON >/dev/null
cmake --build "$root/build" -j2 --target zarvon_ui_bench zarvon_lang >/dev/null

python3 - "$work" "$files" "$entries" <<'PY'
import os, sys, zipfile
work, files, entries = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
folder = os.path.join(work, "files")
os.makedirs(folder)
for i in range(files):
    with open(os.path.join(folder, "file%05d.txt" % i), "w") as f:
        f.write("x")
with zipfile.ZipFile(os.path.join(work, "many.zip"), "w", zipfile.ZIP_STORED) as z:
    for i in range(entries):
        z.writestr("entry%05d.txt" % i, "")
PY

mkdir -p "$work/program" "$work/home"
cp "$root/build/bin/French.lng" "$root/build/bin/English.lng" "$work/program/"
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg)"
HOME="$work/home" BENCH_PROGRAM_DIR="$work/program" "$root/build/bin/zarvon_ui_bench" "$work/files" "$work/many.zip"
