#!/usr/bin/env bash
# Builds the peer installer of the unattended benchmark into the build tree:
# BUILD/bench-peer/peer-setup.exe, from bench/peer/peer.nsi and the rows it
# includes, BUILD/bench-peer/rows.nsh, written here from the Win32 build. The
# final name of every payload file, the program group's folder and main item
# and the uninstall entry's key and values come from the page the build writes
# from the installer's own tables (WIN32/changes.md); the file behind each row
# from the staged payload (WIN32/payload-stage), paired row by row in
# file-table order and checked by size.
# Beside them, for the benchmark to make every run a fresh install: clean.reg,
# which deletes every key below HKEY_LOCAL_MACHINE that setup.exe writes and
# the peer's uninstall entry, and names.txt ("what<TAB>name" lines: main, the
# main program; group, the program group's folder; profile, the user's
# configuration folder in the profile).
# Usage: bench/peer/build.sh BUILD
set -euo pipefail
build=$(cd "${1:?usage: bench/peer/build.sh BUILD}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export KOVA_BUILD_ROOT=$build
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env"
win=$build/$KOVA_TREE
out=$build/bench-peer
changes=$win/changes.md
stage=$win/payload-stage
for f in "$changes" "$stage/payload.list"; do
  [ -f "$f" ] || { echo "peer/build.sh: $f is missing (make BUILD=...)" >&2; exit 1; }
done
command -v makensis >/dev/null || { echo "peer/build.sh: makensis is missing (scripts/install-deps)" >&2; exit 1; }
mkdir -p "$out"
trap 'rm -f "$out"/*.new' EXIT

# The staged file of each row, in table order: "size<TAB>path".
staged=$(while read -r stored source _; do
  case $stored in ''|'#'*) continue;; esac
  printf '%s\t%s\n' "$(stat -c %s "$stage/$source")" "$stage/$source"
done < "$stage/payload.list")

printf '%s\n' "$staged" | awk -F'\t' -v changes="$changes" -v reg="$out/clean.reg.new" -v names="$out/names.txt.new" '
  function fail(m) { print "peer/build.sh: " m > "/dev/stderr"; exit 1 }
  # One cell of a Markdown table row, without blanks and backticks.
  function cell(i,   c) { c = cells[i]; gsub(/^ +| +$/, "", c); gsub(/^`|`$/, "", c); return c }
  # A text for a quoted NSIS string: "$" doubled; a double quote has no place.
  function nsis(s) { if (s ~ /"/) fail("a double quote in " s); gsub(/\$/, "$$", s); return s }
  function note(what, value) { if (value == "") fail("nothing found for " what " in " changes); printf "%s\t%s\n", what, value > names }
  function define(what, value) { if (value == "") fail("nothing found for " what " in " changes); printf "!define %s \"%s\"\n", what, nsis(value) }
  { size[NR] = $1; path[NR] = $2; rows = NR }
  END {
    while ((getline line < changes) > 0) {
      if (line ~ /^## /) { section = line; table = 0; continue }
      if (line !~ /^\| /) continue
      n = split(line, cells, "|")
      if (cell(2) ~ /^-+:?$/) { table = 1; continue }
      if (!table) continue
      if (section == "## Files installed") {
        files++
        folder = cell(2); fname = cell(3)
        if (folder != "<destination>") fail("a file outside the destination: " folder "\\" fname)
        if (files > rows) fail("more files in " changes " than rows in the staged payload.list")
        if (cell(4) != size[files]) fail(fname ": " cell(4) " bytes in " changes ", " size[files] " staged (" path[files] ")")
        if (path[files] ~ /["$]/) fail("a double quote or dollar sign in " path[files])
        file[files] = sprintf("  File \"/oname=%s\" \"%s\"", nsis(fname), path[files])
      } else if (section == "## Registry" && cell(4) == "write" && cell(5) == "HKEY_LOCAL_MACHINE" && !(cell(6) in written)) {
        written[cell(6)] = 1; keys[++nkeys] = cell(6)
      }
      if (section == "## Registry" && cell(7) == "DisplayName") {
        key = cell(6); displayName = cell(9)
      } else if (section == "## Registry" && cell(7) == "DisplayVersion") {
        version = cell(9)
      } else if (section == "## Registry" && cell(7) == "UninstallString") {
        uninstaller = cell(9); sub(/^"<destination>\\/, "", uninstaller); sub(/"$/, "", uninstaller)
      } else if (section == "## Program group" && group == "") {
        group = cell(2); title = cell(3); main = cell(4); sub(/^<destination>\\/, "", main)
      }
    }
    close(changes)
    while ((getline line < changes) > 0) {
      if (line ~ /^## /) section = line
      if (section == "## The user\047s configuration" && profile == "" && match(line, /%UserProfile%\\[^\\`]+/))
        profile = substr(line, RSTART + 14, RLENGTH - 14)
    }
    if (files != rows) fail(files " files in " changes ", " rows " rows in the staged payload.list")
    # The peer writes an entry of its own beside the one setup.exe writes.
    define("UNINST_KEY", key == "" ? "" : key " (peer)")
    define("DISPLAY_NAME", displayName)
    define("DISPLAY_VERSION", version)
    define("UNINSTALLER", uninstaller)
    define("GROUP", group)
    define("TITLE", title)
    define("MAIN", main)
    print "!macro PAYLOAD_FILES"
    for (i = 1; i <= files; i++) print file[i]
    print "!macroend"

    note("main", main)
    note("group", group)
    note("profile", profile)
    if (!nkeys) fail("no key written below HKEY_LOCAL_MACHINE in " changes)
    printf "REGEDIT4\n\n" > reg
    for (i = 1; i <= nkeys; i++) printf "[-HKEY_LOCAL_MACHINE\\%s]\n", keys[i] > reg
    printf "[-HKEY_LOCAL_MACHINE\\%s (peer)]\n", key > reg
  }' > "$out/rows.nsh.new"
for f in rows.nsh clean.reg names.txt; do mv "$out/$f.new" "$out/$f"; done

# The peer is built for the architecture of the setup.exe it is compared with.
arch=()
[ "$KOVA_TREE" = win64 ] && arch=(-DAMD64)
if ! makensis -V2 -DROWS="$out/rows.nsh" -DOUTFILE="$out/peer-setup.exe" "${arch[@]}" "$here/peer.nsi" > "$out/makensis.log" 2>&1; then
  tail -n 20 "$out/makensis.log" >&2
  echo "peer/build.sh: makensis failed (whole log: $out/makensis.log)" >&2
  exit 1
fi
