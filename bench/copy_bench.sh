#!/usr/bin/env bash
# The copy step of the real installer against two references, side by side
# under one Wine prefix and interleaved run by run:
#   copy step  the installer walked to its copy page (bench/copy_setup_bench.cpp),
#              from the start command to the arming of the pause timer, as its
#              own timed build notes them (bench/copy_timing.cpp);
#   floor      the same SZDD pieces written, LZ-expanded to the final names and
#              read once for the CRC, nothing else (bench/copy_floor.cpp);
#   CopyFileA  a plain copy of the installed files, for scale.
# Once over the demo payload and once over a payload of the product's size.
# RUNS (default 7) runs of each; median and best are printed.
# Usage: bench/copy_bench.sh BUILD
set -eu
build=$(cd "${1:-build}" && pwd)
export KOVA_BUILD_ROOT=$build
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-env"
win=$build/$KOVA_TREE
runs=${RUNS:-7}

if [ "${2:-}" != --in-session ]; then
  for prog in copy_setup_bench copy_floor setup_timed copy_floor_product setup_timed_product; do
    [ -x "$win/bench/$prog.exe" ] || { echo "copy_bench: $win/bench/$prog.exe missing (make BUILD=...)" >&2; exit 1; }
  done
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  exec "$root/scripts/wine-session" bash "${BASH_SOURCE[0]}" "$build" --in-session
fi

c=$WINEPREFIX/drive_c

# bench LABEL SETUP FLOOR: RUNS interleaved runs over one payload, and the figures.
bench() {
  local label=$1 setup=$2 floor_exe=$3 engine= floor= plain= peak= rise= out run f
  # One run first that is not counted: the first start in a session loads
  # the fonts, libraries and files that later runs find warm.
  rm -rf "$c/bench"; mkdir -p "$c/bench/floor"
  KOVA_E2E_SETUP_EXE="$setup" wine "$win/bench/copy_setup_bench.exe" 'C:\bench\engine' 'C:\bench\timing.txt' </dev/null >/dev/null 2>&1
  wine "$floor_exe" 'C:\bench\floor' </dev/null >/dev/null 2>&1
  for run in $(seq "$runs"); do
    rm -rf "$c/bench"; mkdir -p "$c/bench/floor" "$c/bench/plain"
    out=$(KOVA_E2E_SETUP_EXE="$setup" wine "$win/bench/copy_setup_bench.exe" 'C:\bench\engine' 'C:\bench\timing.txt' </dev/null | tr -d '\r')
    case $out in [0-9]*) ;; *) echo "copy_bench: $label run $run: ${out:-no output}" >&2; return 1;; esac
    set -- $out
    engine="$engine $1" peak="$peak $2" rise="$rise $3"
    out=$(wine "$floor_exe" 'C:\bench\floor' </dev/null | tr -d '\r')
    case $out in [0-9]*) floor="$floor $out";; *) echo "copy_bench: floor: $out" >&2; return 1;; esac
    out=$(wine "$floor_exe" copyfile 'C:\bench\engine' 'C:\bench\plain' </dev/null | tr -d '\r')
    case $out in [0-9]*) plain="$plain $out";; *) echo "copy_bench: CopyFileA: $out" >&2; return 1;; esac
    for f in "$c/bench/floor"/*; do
      cmp -s "$f" "$c/bench/engine/${f##*/}" || { echo "copy_bench: the installer and the floor differ: ${f##*/}" >&2; return 1; }
    done
  done
  rm -rf "$c/bench"
  [ -n "${COPY_BENCH_RAW:-}" ] && printf 'raw %s\n' "engine$engine" "floor$floor" "plain$plain"

  printf '%s\n' "$engine" "$floor" "$plain" "$peak" "$rise" | awk -v runs="$runs" -v label="$label" '
  # The median of the numbers on a line; sets lo and hi too.
  function stats(line,   a, n, i, j, t) {
    n = split(line, a, " ")
    for (i = 2; i <= n; i++)
      for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    lo = a[1]; hi = a[n]
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  NR == 1 { e = stats($0); eb = lo }
  NR == 2 { f = stats($0); fb = lo }
  NR == 3 { p = stats($0); pb = lo }
  NR == 4 { stats($0); pk = hi }
  NR == 5 { stats($0); rs = hi }
  { n = split($0, w, " "); for (i = 1; i <= n; i++) run[NR, i] = w[i] }
  END {
    # The copy step of each run against the floor of the same run: load on
    # the machine moves both alike.
    for (i = 1; i <= runs; i++) { r = run[1, i] / run[2, i]; paired = paired " " r; if (r > worst) worst = r }
    pr = stats(paired)
    printf "%s, %d runs:\n", label, runs
    printf "  copy step (setup.exe):              median %.4f s, best %.4f s\n", e, eb
    printf "  floor (pieces, expand, CRC read): median %.4f s, best %.4f s\n", f, fb
    printf "  plain CopyFileA of the files:       median %.4f s, best %.4f s\n", p, pb
    printf "  copy step / floor: %.2fx median of the per-run ratios, %.2fx worst run, %.2fx of the medians (aim: within 1.5x)\n", pr, worst, e / f
    printf "  copy step / CopyFileA: %.2fx median, %.2fx best\n", e / p, eb / pb
    printf "  setup.exe peak working set %d KB, its rise over the copy step %d KB (highest of the runs)\n", pk / 1024, rs / 1024
  }'
}

bench "demo payload (1.7 MB)" "$win/bench/setup_timed.exe" "$win/bench/copy_floor.exe"
bench "payload of the product's size (6.5 MB)" "$win/bench/setup_timed_product.exe" "$win/bench/copy_floor_product.exe"
