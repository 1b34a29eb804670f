#!/usr/bin/env python3
"""The layer check fails on each kind of crossing it exists to catch, and
passes a tree that crosses nothing."""
import pathlib
import subprocess
import sys
import tempfile

checker = pathlib.Path(sys.argv[1])


def run(files):
    with tempfile.TemporaryDirectory() as tmp:
        for rel, text in files.items():
            path = pathlib.Path(tmp) / rel
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        done = subprocess.run([sys.executable, str(checker), tmp], capture_output=True, text=True)
        return done.returncode, done.stdout


clean = {
    "engine/engine.h": "#include <string>\n",
    "operations/jobs.h": '#include "engine/engine.h"\n',
    "cli/main.cpp": '#include "operations/jobs.h"\n#include "base/paths.h"\n',
    "ui/progress.h": "#include <functional>\nvoid setProgressObserver(std::function<void()> observer);\n",
    "ui/progress.cpp": 'void f() { setProgressObserver(nullptr); }\n',
}
cases = {
    "a lower layer including a higher one": {"engine/x.cpp": '#include "operations/jobs.h"\n'},
    "operations including a window header": {"operations/x.cpp": '#include "ui/platform/platform.h"\n'},
    "operations including Qt": {"operations/x.cpp": "#include <QString>\n"},
    "zarvon-cli including more than the jobs": {"cli/x.cpp": '#include "operations/compression_plan.h"\n'},
    "zarvon-cli including the engine": {"cli/x.cpp": '#include "engine/engine.h"\n'},
    "a hook installed from above": {
        "operations/hooks.h": "#include <functional>\nusing Builder = std::function<bool()>;\n"
                              "void setWindowBuilder(Builder builder);\n",
        "ui/x.cpp": '#include "operations/hooks.h"\nvoid g() { setWindowBuilder({}); }\n',
    },
}

failures = []
status, out = run(clean)
if status != 0:
    failures.append(f"a clean tree is refused:\n{out}")
for what, extra in cases.items():
    status, out = run({**clean, **extra})
    if status == 0:
        failures.append(f"not caught: {what}")
for f in failures:
    print(f)
sys.exit(1 if failures else 0)
