#!/usr/bin/env python3
"""Runs the non-free derivation of scripts/install-deps.sh on sample apt
sources in temporary folders and checks the entry it writes. Never runs
apt-get: --non-free-only stops before any package work."""
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

SCRIPT = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else "scripts/install-deps.sh").resolve()
KEYRING = "/usr/share/keyrings/debian-archive-keyring.gpg"

DEBIAN_SOURCES = f"""Types: deb
# a mirror comment inside the stanza
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main non-free-firmware
Signed-By: {KEYRING}

Types: deb deb-src
URIs: http://mirror.example/debian-security
Suites: bookworm-security
Components: main non-free-firmware
Signed-By: {KEYRING}
"""

OTHER_VENDOR = """Types: deb
URIs: https://vendor.example/apt
Suites: bookworm
Components: main
Signed-By: /etc/apt/keyrings/vendor.gpg
"""


class NonFreeDerivation(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.apt = pathlib.Path(self.tmp.name)
        (self.apt / "sources.list.d").mkdir()
        self.entry = self.apt / "sources.list.d" / "zarvon-non-free.sources"

    def tearDown(self):
        self.tmp.cleanup()

    def put(self, name, text):
        (self.apt / name).write_text(text)

    def run_script(self):
        env = dict(os.environ, ZARVON_APT_DIR=str(self.apt))
        # A PATH without apt-get or sudo: the derivation must not need them.
        env["PATH"] = "/usr/bin:/bin"
        result = subprocess.run(["bash", str(SCRIPT), "--non-free-only"], env=env,
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result

    def stanzas(self):
        text = self.entry.read_text()
        return [dict(line.split(": ", 1) for line in block.splitlines())
                for block in text.strip().split("\n\n")]

    def test_deb822_sources_give_the_same_uris_and_suites(self):
        self.put("sources.list.d/debian.sources", DEBIAN_SOURCES)
        self.run_script()
        self.assertEqual(self.stanzas(), [
            {"Types": "deb", "URIs": "http://mirror.example/debian", "Suites": "bookworm bookworm-updates",
             "Components": "non-free", "Signed-By": KEYRING},
            {"Types": "deb", "URIs": "http://mirror.example/debian-security", "Suites": "bookworm-security",
             "Components": "non-free", "Signed-By": KEYRING},
        ])

    def test_one_line_sources_list(self):
        self.put("sources.list", "\n".join([
            "# deb http://commented.example/debian bookworm main",
            "deb cdrom:[Debian GNU/Linux 12]/ bookworm main",
            "deb http://ftp.example/debian bookworm main contrib",
            "deb-src http://ftp.example/debian bookworm main",
            "deb [arch=amd64 signed-by=" + KEYRING + "] http://ftp.example/debian bookworm-updates main",
            "deb http://security.example/debian-security bookworm-security main",
            "",
        ]))
        self.run_script()
        self.assertEqual(self.stanzas(), [
            {"Types": "deb", "URIs": "http://ftp.example/debian", "Suites": "bookworm",
             "Components": "non-free"},
            {"Types": "deb", "URIs": "http://ftp.example/debian", "Suites": "bookworm-updates",
             "Components": "non-free", "Signed-By": KEYRING},
            {"Types": "deb", "URIs": "http://security.example/debian-security", "Suites": "bookworm-security",
             "Components": "non-free"},
        ])

    def test_existing_non_free_is_left_alone(self):
        self.put("sources.list", "deb http://ftp.example/debian bookworm main non-free\n")
        self.put("sources.list.d/debian.sources", DEBIAN_SOURCES)
        self.run_script()
        self.assertFalse(self.entry.exists())

    def test_disabled_or_source_only_non_free_does_not_count(self):
        self.put("sources.list.d/debian.sources", DEBIAN_SOURCES + """
Types: deb
URIs: http://mirror.example/debian
Suites: bookworm
Components: non-free
Enabled: no

Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: non-free
""")
        self.run_script()
        self.assertEqual(len(self.stanzas()), 2)

    def test_other_vendors_and_missing_sources_give_nothing(self):
        self.put("sources.list.d/vendor.sources", OTHER_VENDOR)
        result = self.run_script()
        self.assertFalse(self.entry.exists())
        self.assertIn("No Debian entry", result.stderr)

        (self.apt / "sources.list.d" / "vendor.sources").unlink()
        self.run_script()
        self.assertFalse(self.entry.exists())

    def test_a_second_run_keeps_the_entry(self):
        self.put("sources.list.d/debian.sources", DEBIAN_SOURCES)
        self.run_script()
        first = self.entry.read_text()
        self.entry.chmod(0o444)
        self.run_script()
        self.assertEqual(self.entry.read_text(), first)


if __name__ == "__main__":
    unittest.main()
