#!/usr/bin/env bash
# An unattended install by setup.exe against the same install by an NSIS
# installer, the most common open-source kind (bench/peer: the same staged
# payload under the same final names, an uninstall entry and a Start-menu
# link to the main program), in one Wine session under one prefix, pair by
# pair: setup.exe /S /D=C:\bench\kova-N, then peer-setup.exe /S
# /D=C:\bench\peer-N, each timed from the start of `wine` to the end of the
# installer's process (Wine's start is in both). One pair first is not
# counted (the first start in a session loads the libraries and files later
# runs find warm); PAIRS (default 9) pairs are. Between runs the registry keys
# both write (setup.exe's, its file type's and the peer's), the program
# group's folder and the user's configuration folder are removed, and every
# run installs into a new folder, so that each is a first installation.
# Wine's desktop-file helper (winemenubuilder) is turned off for the session:
# it copies each new Start-menu link to the Linux desktop's menus, work no
# Windows installer does and a cost that falls on each installer by its
# number of links.
# Usage: bench/unattended_bench.sh BUILD
set -euo pipefail
shopt -s inherit_errexit
build=$(cd "${1:?usage: unattended_bench.sh BUILD}" && pwd)
export KOVA_BUILD_ROOT=$build
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-env"
setup=$build/$KOVA_TREE/setup.exe
peer=$build/bench-peer/peer-setup.exe
pairs=${PAIRS:-9}
[ "$pairs" -ge 1 ] || { echo "unattended_bench: PAIRS must be at least 1" >&2; exit 1; }

if [ "${2:-}" != --in-session ]; then
  [ -f "$setup" ] || { echo "unattended_bench: $setup is missing (make BUILD=...)" >&2; exit 1; }
  bash "$here/peer/build.sh" "$build"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winemenubuilder.exe=d"
  exec "$here/../scripts/wine-session" bash "${BASH_SOURCE[0]}" "$build" --in-session
fi

c=$WINEPREFIX/drive_c
rss=$build/bench-peer/rss.txt
names=$build/bench-peer/names.txt
main=$(awk -F'\t' '$1 == "main" { print $2 }' "$names")
group=$(awk -F'\t' '$1 == "group" { print $2 }' "$names")
profile=$(awk -F'\t' '$1 == "profile" { print $2 }' "$names")
# The registry file for Wine's reg, by its Windows name (Z: is the root).
clean_reg="Z:${build//\//\\}\\bench-peer\\clean.reg"

# fresh: removes what a run leaves behind outside its destination (see above).
fresh() {
  local d
  for d in "$c"/users/*/"AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$group" \
           "$c/ProgramData/Microsoft/Windows/Start Menu/Programs/$group" \
           "$c"/users/*/"$profile"; do
    rm -rf "$d"
  done
  wine reg import "$clean_reg" </dev/null >/dev/null 2>&1 ||
    { echo "unattended_bench: wine reg import $clean_reg failed" >&2; exit 1; }
}

# run LABEL EXE DIR [ARGS...]: one unattended install into C:\bench\DIR;
# prints its start and end (nanoseconds) and its peak resident size (KB,
# 0 unless $memory is set) and fails unless it ended with 0 and the main
# program is there. The memory is taken in runs of their own: a process
# waited for by time(1) starts under Wine half again as slowly.
memory=
run() {
  local label=$1 exe=$2 dir=$3 t0 t1 rc=0
  shift 3
  echo 0 >"$rss"
  t0=$(date +%s%N)
  ${memory:+/usr/bin/time -f %M -o "$rss"} wine "$exe" /S "$@" "/D=C:\\bench\\$dir" </dev/null >/dev/null 2>&1 || rc=$?
  t1=$(date +%s%N)
  [ "$rc" = 0 ] || { echo "unattended_bench: $label ended with exit code $rc (modulo 256)" >&2; exit 1; }
  [ -f "$c/bench/$dir/$main" ] || { echo "unattended_bench: $label did not install $main into C:\\bench\\$dir" >&2; exit 1; }
  echo "$t0 $t1 $(tail -n1 "$rss")"
}

# pair N: setup.exe, then the peer, each a first installation into a new
# folder; the two must have installed the same files. Prints "setup_ns
# peer_ns" and the seconds of setup.exe's steps (bench/log_steps.py).
pair() {
  local n=$1 a b f steps
  rm -rf "$c/bench"
  fresh
  mkdir -p "$c/bench-log"
  a=$(run setup.exe "$setup" "kova-$n" "/LOG=C:\\bench-log\\setup.log") || exit 1
  set -- $a
  steps=$(python3 "$here/log_steps.py" $1 $2 "$c/bench-log/setup.log") || exit 1
  fresh
  b=$(run peer-setup.exe "$peer" "peer-$n") || exit 1
  for f in "$c/bench/peer-$n"/*; do
    cmp -s "$f" "$c/bench/kova-$n/${f##*/}" ||
      { echo "unattended_bench: setup.exe and the peer installed ${f##*/} differently" >&2; exit 1; }
  done
  [ "$(ls "$c/bench/kova-$n" | wc -l)" = "$(ls "$c/bench/peer-$n" | wc -l)" ] ||
    { echo "unattended_bench: setup.exe and the peer installed different sets of files" >&2; exit 1; }
  set -- $a $b
  echo "$(($2 - $1)) $(($5 - $4)) $3 $6 $steps"
}

pair 0 >/dev/null
times=
for n in $(seq "$pairs"); do
  times="$times$(pair "$n")"$'\n' || exit 1
done
memory=yes
sizes=
for n in 1 2 3; do
  sizes="$sizes$(pair "m$n" | cut -d' ' -f3,4)"$'\n' || exit 1
done
rm -rf "$c/bench" "$c/bench-log"
fresh

if [ "$KOVA_TREE" = win64 ]; then
  measured="build/win64/setup.exe (x86-64) against an NSIS amd64-unicode installer"
else
  measured="build/win32/setup.exe (i686, the shipped one, under WoW64) against an NSIS x86-unicode installer"
fi
printf '%s' "$times" | awk -v measured="$measured" '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  { s[NR] = $1 / 1e9; p[NR] = $2 / 1e9; r[NR] = $1 / $2; list = list sprintf(" %.2f", r[NR])
    for (i = 5; i <= NF; i++) step[i - 4, NR] = $i }
  END {
    split("start prepare copy registry group finishing exit", names, " ")
    steps = "setup.exe, median seconds of each step:"
    for (k = 1; k <= 7; k++) { for (j = 1; j <= NR; j++) one[j] = step[k, j]; steps = steps sprintf(" %s %.3f", names[k], median(one, NR)) }
    printf "unattended install / peer: %.2fx median of the per-run ratios (setup.exe %.3f s, peer %.3f s medians, %d pairs; %s)\n",
      median(r, NR), median(s, NR), median(p, NR), NR, measured
    printf "per-pair ratios:%s\n", list
    print steps
  }'
printf '%s' "$sizes" | awk '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  { ms[NR] = $1; mp[NR] = $2 }
  END {
    printf "peak working set (largest resident size of the process under Wine, median of %d runs each): setup.exe %d KB, peer %d KB\n",
      NR, median(ms, NR), median(mp, NR)
  }'
printf 'setup.exe:          %8d bytes\n' "$(stat -c %s "$setup")"
printf 'peer-setup.exe:     %8d bytes\n' "$(stat -c %s "$peer")"
