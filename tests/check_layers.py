#!/usr/bin/env python3
"""Fails when the layers are crossed:
- a lower layer includes a header of a higher one;
- the engine, the settings, the RAR binding or zarvon-cli include a Qt header;
- zarvon-cli includes anything of the program but the jobs and base/;
- a layer holds a std::function that a higher layer installs (a hook): a
  setter declared with a std::function parameter in one layer and called
  from a layer above it.
The tests, the benchmark and the fuzz targets are not checked."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")

# What each folder may include of the program's own folders.
allowed = {
    "base": {"base"},
    "engine": {"engine", "base"},
    "settings": {"settings", "base"},
    "rar": {"rar", "base"},
    "ui/platform": {"ui/platform", "base"},
    "operations": {"operations", "base", "engine", "settings", "rar"},
    "ui": {"ui", "ui/platform", "operations", "base", "engine", "settings", "rar"},
    "app": {"app", "ui", "ui/platform", "operations", "base", "engine", "settings", "rar"},
    "cli": {"cli", "base", "operations"},
}
# Of operations, zarvon-cli sees only the jobs and their records.
# The information sheet's facts are a job too: the desktop and zarvon-cli
# both print them; zarvon-cli edits archives as the desktop does.
cli_operations = {"operations/jobs.h", "operations/job.h", "operations/archive_format.h",
                  "operations/archive_information.h", "operations/archive_editing.h"}
no_qt = {"base", "engine", "settings", "rar", "operations", "cli"}
# Callbacks that are a job's own progress, set and restored around each job
# by operations/engine_session.cpp, not hooks: the engine reports the bytes
# of the entry it is working on through it.
scoped_callbacks = {("engine", "setProgressCallback")}

folders = sorted(allowed, key=len, reverse=True)
include = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def layer_of(path):
    for f in folders:
        if path == f or path.startswith(f + "/"):
            return f
    return None


def sources():
    for source in sorted(root.rglob("*")):
        if source.suffix not in {".cpp", ".h", ".hpp"}:
            continue
        rel = source.relative_to(root).as_posix()
        if rel.startswith(("build", "tests/", "bench/", "fuzz/")):
            continue
        layer = layer_of(rel)
        if layer is not None:
            yield rel, layer, source.read_text(errors="replace")


files = list(sources())
faults = []
for rel, layer, text in files:
    for name in include.findall(text):
        if layer in no_qt and re.match(r"Q[A-Za-z]+(/|$)|qt", name):
            faults.append(f"{rel}: includes Qt header <{name}>")
        target = layer_of(name)
        if target is not None and target not in allowed[layer]:
            faults.append(f"{rel}: {layer} includes {name} of {target}")
        if layer == "cli" and target == "operations" and name not in cli_operations:
            faults.append(f"{rel}: zarvon-cli includes {name}, not a job header")

# Setters taking a std::function (directly or through an alias), by layer.
setters = {}
for rel, layer, text in files:
    if not rel.endswith(".h"):
        continue
    aliases = set(re.findall(r"using\s+(\w+)\s*=\s*std::function\b", text))
    kinds = r"std::function\b" + "".join(r"|\b" + re.escape(a) + r"\b" for a in aliases)
    for name, params in re.findall(r"\b(\w+)\s*\(([^;{)]*)\)\s*;", text):
        if re.match(r"(set|install|register)[A-Z]", name) and re.search(kinds, params) \
                and (layer, name) not in scoped_callbacks:
            setters.setdefault(name, set()).add(layer)

for rel, layer, text in files:
    for name, owners in setters.items():
        for owner in owners:
            if owner == layer or owner not in allowed.get(layer, ()):
                continue
            if re.search(r"\b" + re.escape(name) + r"\s*\(", text):
                faults.append(f"{rel}: {layer} installs {name}, a std::function held by {owner}")

for f in faults:
    print(f)
print(f"{len(faults)} layer faults")
sys.exit(1 if faults else 0)
