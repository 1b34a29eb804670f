#!/usr/bin/env bash
# Makes the seed inputs of the fuzz targets, once; the results are committed.
# Needs Info-ZIP zip, rar, 7zz, GNU tar, bsdtar, gzip, xz, zstd, bzip2 and python3. Run from anywhere:
#   fuzz/corpus/make_seeds.sh
# Inputs that crashed a target (crash-*, kept by scripts/fuzz.sh) stay beside
# the seeds as regression inputs; this script leaves them alone.
set -euo pipefail
corpus=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p src/a/empty
printf 'hello\n' > src/a/B.txt
printf 'second entry, some words to deflate, words to deflate\n' > src/c.txt
printf 'x' > src/one.bin

zips="$corpus/zip_read_fuzz"
mkdir -p "$zips"
(cd src && zip -q -X -0 "$zips/stored.zip" a/B.txt c.txt)
(cd src && zip -q -X -r -9 "$zips/deflated_with_folders.zip" a c.txt)
(cd src && zip -q -X -P pw "$zips/pkware_password.zip" a/B.txt c.txt)
(cd src && zip -q -X -fz "$zips/zip64_records.zip" one.bin)
(printf 'streamed\n' | zip -q -X - - > "$zips/data_descriptor.zip")
python3 - "$zips" <<'PY'
import sys, zipfile
out = sys.argv[1]
with zipfile.ZipFile(out + "/names_cp437_utf8.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("caf\u00e9.txt", "caf\u00e9")
    z.writestr("../escape.txt", "outside")
    z.writestr("a/B.txt", "in a folder")
    z.comment = b"archive comment"
PY

# WinZip AES entries, with the password the target tries ("pw").
(cd src && 7zz a -bso0 -tzip -ppw -mem=AES256 "$zips/aes256_deflate.zip" a/B.txt c.txt >/dev/null)
(cd src && 7zz a -bso0 -tzip -ppw -mem=AES128 -mm=Copy "$zips/aes128_stored.zip" c.txt >/dev/null)

formats="$corpus/formats_fuzz"
mkdir -p "$formats"
(cd src && ln -sf c.txt link && tar --owner=0 --group=0 --mtime=@0 -cf "$formats/plain.tar" a c.txt link)
gzip -n -c "$formats/plain.tar" > "$formats/plain.tar.gz"
xz -c "$formats/plain.tar" > "$formats/plain.tar.xz"
zstd -q -c "$formats/plain.tar" > "$formats/plain.tar.zst"
bzip2 -c src/c.txt > "$formats/lone.bz2"
(cd src && 7zz a -bso0 -t7z "$formats/folders.7z" a c.txt >/dev/null)
(cd src && bsdtar --format=cpio -cf "$formats/plain.cpio" a/B.txt c.txt)
(cd src && bsdtar --format=ar -cf "$formats/plain.a" c.txt one.bin)
python3 - "$formats" <<'PY'
import io, sys, tarfile
out = sys.argv[1]
with tarfile.open(out + "/hostile.tar", "w", format=tarfile.GNU_FORMAT) as t:
    for name, kind, target in [("../up.txt", tarfile.REGTYPE, ""), ("out", tarfile.SYMTYPE, "/tmp"),
                               ("out/x.txt", tarfile.REGTYPE, ""), ("hard", tarfile.LNKTYPE, "/etc/passwd"),
                               ("fifo", tarfile.FIFOTYPE, "")]:
        info = tarfile.TarInfo(name); info.type = kind; info.linkname = target
        data = b"x" if kind == tarfile.REGTYPE else b""
        info.size = len(data); t.addfile(info, io.BytesIO(data))
PY

rars="$corpus/rar_fuzz"
mkdir -p "$rars"
(cd src && rar a -idq -m0 "$rars/stored.rar" a/B.txt c.txt >/dev/null)
(cd src && rar a -idq -r "$rars/folders.rar" a c.txt >/dev/null)
(cd src && rar a -idq -pfuzz "$rars/password.rar" a/B.txt >/dev/null)
(cd src && rar a -idq -hpfuzz "$rars/encrypted_headers.rar" c.txt >/dev/null)
(cd src && rar a -idq -s "$rars/solid.rar" a/B.txt c.txt >/dev/null)
(cd src && ln -sf c.txt link && rar a -idq -ol "$rars/symlink.rar" link >/dev/null)

settings="$corpus/settings_fuzz"
mkdir -p "$settings"
printf '[General]\r\nLanguage=English\r\nHistory=3\r\n\r\n[Window]\r\nWindowHeight=480\r\n; comment\r\n' > "$settings/settings.ini"
printf '[Recent files]\r\nFile1=/tmp/a.zip\r\nFile2=/tmp/b.rar\r\n[View]\r\n=empty key\r\nnoequals\r\n' > "$settings/recent.ini"
printf 'MenuFile = Fichier\r\nMenuOpenZip = &Ouvrir\r\n; comment\r\nCaf\xe9 = \xe9t\xe9\r\n' > "$settings/language.lng"
