#!/usr/bin/env bash
# The Debian package from a complete build: made with cpack, checked by
# lintian, installed with apt-get, run from /usr/bin, and purged without a
# file left behind; the user's default application for ZIP files is not
# touched by the install. Needs root (apt-get): skipped otherwise, and when a
# package named zarvon is installed already (it is not this test's to remove).
#
#   deb_package_test.sh BUILD_FOLDER VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "installing a package needs root"
command -v cpack >/dev/null && command -v apt-get >/dev/null || skip "cpack or apt-get is missing"
[ -x "$build/bin/zarvon" ] && [ -x "$build/bin/zarvon-cli" ] || skip "the project is not built"
if dpkg-query -W -f='${Status}' zarvon 2>/dev/null | grep -q "install ok"; then
  skip "a zarvon package is installed already"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"; dpkg-query -W zarvon >/dev/null 2>&1 && apt-get purge -y -qq zarvon >/dev/null 2>&1; true' EXIT
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb="$work/zarvon_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no $deb:"; ls "$work"; exit 1; }

control=$(dpkg-deb -f "$deb")
for field in "Section: utils" "Recommends: libunrar5" "Maintainer: " "Depends: " "Description: "; do
  grep -q "^$field" <<<"$control" || { echo "control lacks '$field':"; echo "$control"; exit 1; }
done
grep -q "^Depends: .*libqt6widgets6" <<<"$control" || { echo "Depends lacks Qt: $control"; exit 1; }
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/zarvon ./usr/bin/zarvon-cli ./usr/share/applications/org.zarvon.Zarvon.desktop \
            ./usr/share/metainfo/org.zarvon.Zarvon.metainfo.xml ./usr/share/icons/hicolor/48x48/apps/zarvon.png \
            ./usr/share/zarvon/French.lng ./usr/share/zarvon/English.lng ./usr/share/man/man1/zarvon.1.gz \
            ./usr/share/man/man1/zarvon-cli.1.gz ./usr/share/kio/servicemenus/zarvon-extract.desktop \
            ./usr/share/nemo/actions/zarvon-extract-here.nemo_action \
            ./usr/share/file-manager/actions/zarvon-compress.desktop ./usr/share/doc/zarvon/copyright; do
  grep -q " $file\$" <<<"$contents" || { echo "the package lacks $file"; exit 1; }
done

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || true
  grep -v "root privileges" "$work/lintian.txt" || true
  if grep -q "^E:" "$work/lintian.txt"; then echo "lintian reports errors"; exit 1; fi
else
  echo "lintian is not installed: not checked"
fi

# The user's choice of an application for ZIP files, and the system's
# lists of defaults, are what the install must leave alone.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\nType=Application\nName=Other\nExec=other %%f\nMimeType=application/zip;\n' \
  >"$XDG_DATA_HOME/applications/other-archiver.desktop"
# Both where the desktops keep it and where xdg-mime's generic mode reads it.
printf '[Default Applications]\napplication/zip=other-archiver.desktop;\n' >"$XDG_CONFIG_HOME/mimeapps.list"
cp "$XDG_CONFIG_HOME/mimeapps.list" "$XDG_DATA_HOME/applications/defaults.list"
lists() { { cat /etc/xdg/mimeapps.list /usr/share/applications/mimeapps.list /usr/share/applications/defaults.list \
  "$XDG_CONFIG_HOME/mimeapps.list" 2>/dev/null || true; } | md5sum; }
lists_before=$(lists)
before=$(xdg-mime query default application/zip 2>/dev/null || true)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 \
  || { cat "$work/apt.log"; exit 1; }
/usr/bin/zarvon-cli --version | grep -q "$version" || { echo "zarvon-cli --version"; exit 1; }
/usr/bin/zarvon --help | grep -q -- "--extract-here" || { echo "zarvon --help"; exit 1; }
after=$(xdg-mime query default application/zip 2>/dev/null || true)
[ "$before" = "$after" ] || { echo "the default for ZIP changed: '$before' -> '$after'"; exit 1; }
[ "$lists_before" = "$(lists)" ] || { echo "a list of default applications changed"; exit 1; }

files=$(dpkg -L zarvon)
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq zarvon >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
if dpkg -L zarvon >/dev/null 2>&1; then echo "dpkg still lists zarvon"; exit 1; fi
while IFS= read -r path; do
  [ -f "$path" ] || [ -L "$path" ] || continue
  echo "left behind: $path"; exit 1
done <<<"$files"
echo "package installed, ran and purged cleanly"
