#!/usr/bin/env python3
"""Fails when a lower layer includes a header of a higher one, or when the
engine, the settings or the RAR binding include a Qt header."""
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
    "shell": {"shell", "settings", "base"},
    "operations": {"operations", "base", "engine", "settings", "rar", "ui/platform"},
    "ui": {"ui", "ui/platform", "operations", "base", "engine", "settings", "rar", "shell"},
    "app": {"app", "ui", "ui/platform", "operations", "base", "engine", "settings", "rar", "shell"},
    "cli": {"cli", "base", "operations"},
}
no_qt = {"base", "engine", "settings", "rar", "cli"}
folders = sorted(allowed, key=len, reverse=True)
include = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def layer_of(path):
    for f in folders:
        if path == f or path.startswith(f + "/"):
            return f
    return None


faults = []
for source in root.rglob("*"):
    if source.suffix not in {".cpp", ".h", ".hpp"}:
        continue
    rel = source.relative_to(root).as_posix()
    if rel.startswith(("build", "tests/", "bench/", "fuzz/")):
        continue
    layer = layer_of(rel)
    if layer is None:
        continue
    for name in include.findall(source.read_text(errors="replace")):
        if layer in no_qt and re.match(r"Q[A-Za-z]+(/|$)|qt", name):
            faults.append(f"{rel}: includes Qt header <{name}>")
        # The fixed identifiers are shared by the windows and the workflows
        # that address their controls.
        if name == "ui/ids.h" and layer in {"operations", "ui", "app"}:
            continue
        target = layer_of(name)
        if target is not None and target not in allowed[layer]:
            faults.append(f"{rel}: {layer} includes {name} of {target}")

for f in faults:
    print(f)
print(f"{len(faults)} layer faults")
sys.exit(1 if faults else 0)
