#!/usr/bin/env python3
"""Fails when the program spells a settings group or key outside settings/
instead of naming its constant in settings/setting_keys.h:
- a string literal equal to a group or key name of that table (the default
  text of languageText("Key", "Text") is a display text and is not looked at);
- a string literal given as group or key to a settings-file call.
The tests, the benchmark and the fuzz targets are not checked."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
table = (root / "settings" / "setting_keys.h").read_text()
pairs = re.findall(r'SettingKey\s+k\w+\s*\{\s*"([^"]*)"\s*,\s*"([^"]*)"', table)
if not pairs:
    sys.exit("settings/setting_keys.h: no SettingKey found")
names = {g for g, _ in pairs if g} | {k for _, k in pairs}

literal = re.compile(r'"((?:[^"\\]|\\.)*)"')
display_text = re.compile(r'languageText\(\s*"(?:[^"\\]|\\.)*"\s*,\s*"(?:[^"\\]|\\.)*"')
settings_call = re.compile(
    r'\b(?:selectGroup|readText|readInteger|writeText|writeInteger|deleteKey|readSettingText)\s*\(\s*"')

faults = []
for top in ("app", "base", "cli", "engine", "operations", "rar", "ui"):
    for source in sorted((root / top).rglob("*")):
        if source.suffix not in {".cpp", ".h"}:
            continue
        rel = source.relative_to(root).as_posix()
        for number, line in enumerate(source.read_text(errors="replace").splitlines(), 1):
            code = display_text.sub("", line.split("//")[0])
            spelled = [text for text in literal.findall(code) if text in names]
            if spelled or settings_call.search(code):
                faults.append(f"{rel}:{number}: settings key spelled out, name its constant: {line.strip()}")

for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
