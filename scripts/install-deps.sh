#!/usr/bin/env bash
# Installs everything Zarvon needs to build, run and test on Debian 12.
# Idempotent: when every package is already there it only checks and returns.
#
#   scripts/install-deps.sh                  check, and install what is missing
#   scripts/install-deps.sh --non-free-only  only add the non-free entry (below)
#
# ZARVON_APT_DIR names apt's configuration folder (default /etc/apt), so that
# the non-free derivation can be tried on a copy.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libqt6svg6 qt6-translations-l10n
  zlib1g-dev libminizip-dev libdeflate-dev libisal-dev libglib2.0-dev libssl-dev libarchive-dev
  libgtest-dev googletest
  zip unzip 7zip libarchive-tools python3
  libunrar5 libunrar-headers rar unrar
  xvfb xauth xdotool openbox imagemagick fonts-dejavu-core
  locales
  xdg-utils desktop-file-utils appstream trayer groff-base
  dpkg-dev lintian
  clang libclang-rt-14-dev xz-utils zstd bzip2
)

apt_dir=${ZARVON_APT_DIR:-/etc/apt}
non_free_file=$apt_dir/sources.list.d/zarvon-non-free.sources

# Reads the machine's apt sources (one-line sources.list and *.list files,
# deb822 *.sources files) and prints a deb822 entry with the component
# non-free for the Debian archives they use: the same URIs, suites and key,
# one stanza per URI. Prints nothing when an enabled "deb" entry already has
# non-free, or when no Debian entry is found. A Debian entry is one with the
# component main, signed by Debian's archive keyring or by no named key, and
# not on a CD; other vendors' repositories have no non-free to offer.
# (non-free-firmware is a component of its own and does not count.)
derive_non_free() {
  local files=() f
  for f in "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*.list "$apt_dir"/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -eq 0 ] && return 0
  awk '
    function has(list, word,    n, i, parts) {
      n = split(list, parts, /[ \t]+/)
      for (i = 1; i <= n; i++) if (parts[i] == word) return 1
      return 0
    }
    # One source: types, URIs and suites are blank-separated lists.
    function consider(types, uris, suites, comps, signed, enabled,    nu, ns, i, j, u, key, parts, list) {
      if (tolower(enabled) == "no" || !has(types, "deb")) return
      if (has(comps, "non-free")) { found = 1; return }
      if (!has(comps, "main")) return
      if (signed != "" && signed !~ /debian-archive/) return
      nu = split(uris, list, /[ \t]+/)
      for (i = 1; i <= nu; i++) {
        u = list[i]
        if (u == "" || u ~ /^cdrom:/) continue
        key = u SUBSEP signed
        if (!(key in seen)) { seen[key] = 1; order[++count] = key; uriOf[key] = u; keyOf[key] = signed; suitesOf[key] = "" }
        ns = split(suites, parts, /[ \t]+/)
        for (j = 1; j <= ns; j++)
          if (parts[j] != "" && !has(suitesOf[key], parts[j]))
            suitesOf[key] = suitesOf[key] (suitesOf[key] == "" ? "" : " ") parts[j]
      }
    }
    function flush() {
      if (stanza) consider(f["types"], f["uris"], f["suites"], f["components"], f["signed-by"], f["enabled"])
      stanza = 0; field = ""
      split("", f)
    }
    FNR == 1 { flush(); deb822 = FILENAME ~ /\.sources$/ }
    deb822 && /^#/ { next }
    deb822 && /^[ \t]*$/ { flush(); next }
    deb822 && /^[ \t]/ {
      # A continuation line; only Signed-By (an inline key) keeps its lines.
      if (field == "signed-by") f[field] = f[field] "\n" $0
      else if (field != "") f[field] = f[field] " " $0
      next
    }
    deb822 {
      colon = index($0, ":")
      if (colon == 0) next
      field = tolower(substr($0, 1, colon - 1))
      value = substr($0, colon + 1)
      sub(/^[ \t]+/, "", value); sub(/[ \t]+$/, "", value)
      f[field] = value
      stanza = 1
      next
    }
    {
      line = $0
      sub(/#.*/, "", line)
      n = split(line, w, /[ \t]+/)
      i = 1
      if (w[i] == "") i++
      if (w[i] != "deb") next
      i++
      signed = ""
      if (substr(w[i], 1, 1) == "[") {
        # Options: [arch=amd64 signed-by=/usr/share/keyrings/x.gpg]
        for (; i <= n; i++) {
          o = w[i]; gsub(/[\[\]]/, "", o)
          if (o ~ /^signed-by=/) signed = substr(o, 11)
          if (w[i] ~ /\]$/) { i++; break }
        }
      }
      uri = w[i]; suite = w[i + 1]
      comps = ""
      for (k = i + 2; k <= n; k++) comps = comps " " w[k]
      consider("deb", uri, suite, comps, signed, "yes")
    }
    END {
      flush()
      if (found) exit
      for (i = 1; i <= count; i++) {
        key = order[i]
        if (i > 1) print ""
        print "Types: deb"
        print "URIs: " uriOf[key]
        print "Suites: " suitesOf[key]
        print "Components: non-free"
        if (keyOf[key] != "") print "Signed-By: " keyOf[key]
      }
    }
  ' "${files[@]}"
}

# The UnRAR library and rar live in Debian's non-free component: add it when
# no entry has it yet.
add_non_free() {
  local entry
  entry=$(derive_non_free)
  if [ -z "$entry" ]; then
    grep -rqsw -- 'non-free' "$apt_dir"/sources.list "$apt_dir"/sources.list.d/ ||
      echo "No Debian entry found in $apt_dir to add non-free to; libunrar5 and rar may not install." >&2
    return 0
  fi
  local run=""
  if [ ! -w "$(dirname "$non_free_file")" ] && [ "$(id -u)" -ne 0 ]; then run="sudo"; fi
  echo "Adding Debian's non-free component: $non_free_file" >&2
  printf '%s\n' "$entry" | $run tee "$non_free_file" >/dev/null
}

if [ "${1:-}" = "--non-free-only" ]; then
  add_non_free
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

add_non_free

echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
