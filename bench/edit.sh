#!/usr/bin/env bash
# Editing in place against copying: deleting one entry from an archive of
# 2,000 entries and about 1 GB costs about one copy of the archive, and
# adding 10 small files as much plus their compression. zarvon-cli against
# cp, Info-ZIP (zip -d, zip -u) and 7-Zip (7zz d, 7zz a) in the same run.
#
#   bench/edit.sh [path/to/zarvon-cli]
#
# Called by bench/run.sh; BENCH_DIR and BENCH_RUNS as there. The corpus is
# made once in $BENCH_DIR/edit (stored entries of incompressible data).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bin/zarvon-cli}"
cli="$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")"
bench="${BENCH_DIR:-/tmp/zarvon-bench}/edit"
runs="${BENCH_RUNS:-2}"
mkdir -p "$bench"
cd "$bench"
have() { command -v "$1" >/dev/null 2>&1; }

if [ ! -f base.zip ]; then
    echo "Building the editing corpus in $bench ..."
    python3 - <<'PY'
import os, random, zipfile
random.seed(5)
os.makedirs("files", exist_ok=True)
os.makedirs("small", exist_ok=True)
with zipfile.ZipFile("base.zip", "w", zipfile.ZIP_STORED) as z:
    for i in range(2000):
        z.writestr("files/f%04d.bin" % i, random.randbytes(500_000))
for i in range(10):
    with open("small/new%02d.txt" % i, "w") as f:
        f.write(("line %d of a small new file\n" % i) * 200)
PY
fi
size=$(stat -c %s base.zip)

# Best wall time of $runs runs; the archive is copied afresh (untimed) first.
timed() {
    local best="" t0 t1 t i
    for ((i = 0; i < runs; i++)); do
        rm -f work.zip copy.zip && cp base.zip work.zip && sync work.zip
        t0=$(date +%s.%N)
        "$@" >/dev/null 2>&1 || { echo "FAILED: $*" >&2; echo nan; return; }
        t1=$(date +%s.%N)
        t=$(echo "$t1 - $t0" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    printf '%.3f' "$best"
}
row() { printf '   %-34s %8s s\n' "$1" "$2"; }

echo
echo "== editing an archive of 2,000 entries, $((size / 1000000)) MB"
cp_t=$(timed cp work.zip copy.zip); row "cp (one copy of the archive)" "$cp_t"
row "zarvon-cli delete (one entry)" "$(timed "$cli" delete work.zip files/f1000.bin)"
if have zip; then row "zip -d" "$(timed zip -qd work.zip files/f1000.bin)"; fi
if have 7zz; then row "7zz d" "$(timed 7zz d work.zip files/f1000.bin)"; fi
row "zarvon-cli add (10 small files)" "$(timed "$cli" add -o work.zip small)"
if have zip; then row "zip -u" "$(timed zip -qru work.zip small)"; fi
if have 7zz; then row "7zz a" "$(timed 7zz a -tzip -mx=9 work.zip small)"; fi
rm -f work.zip copy.zip
