#!/usr/bin/env bash
# The README's fuzz build commands, run as written in a fresh copy of the
# source tree (what a new clone holds, without build folders), must build
# every fuzz target. Exits 77 (skipped) when clang is missing.
set -euo pipefail
src=$(cd "${1:?source folder}" && pwd)
command -v clang >/dev/null && command -v clang++ >/dev/null || { echo "clang is not installed: skipped"; exit 77; }

# The fenced block of the README that configures the fuzz build.
commands=$(awk '/^ *```/ { if (inside) { if (block ~ /ZARVON_BUILD_FUZZ=ON/) { printf "%s", block; exit } block=""; inside=0 } else inside=1; next }
                inside { sub(/^ +/, ""); block = block $0 "\n" }' "$src/README.md")
[ -n "$commands" ] || { echo "README.md has no code block with the fuzz build commands"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zarvon-fuzz-build-XXXXXX")
trap 'rm -rf "$work"' EXIT
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$src" && git ls-files -z --cached --others --exclude-standard |
     tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -C "$work" -xf -
else
  tar -C "$src" --exclude='./build*' -cf - . | tar -C "$work" -xf -
fi

# A warm compiler cache and both cores keep the run short; the commands stay
# as written.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cd "$work"
echo "$commands"
bash -euo pipefail -c "$commands" >"$work/build.log" 2>&1 || { tail -n 60 "$work/build.log"; exit 1; }

status=0
for source in fuzz/*_fuzz.cpp; do
  target=$(basename "$source" .cpp)
  if [ -x "build-fuzz/bin/$target" ]; then
    echo "built $target"
  else
    echo "missing fuzz target: $target"
    status=1
  fi
done
exit $status
