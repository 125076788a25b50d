#!/usr/bin/env bash
# The copy step against two references, side by side under one Wine prefix:
# the engine (as the copy page runs it) over the demo payload, the floor (the
# same pieces written, LZCopy'd and read once for the CRC, nothing else) and
# a plain CopyFileA of the installed files. Best of three runs each.
# Usage: bench/copy_bench.sh BUILD
set -eu
build=$(cd "${1:-build}" && pwd)
bin=$build/win32/tests/win32/copy
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
for prog in copy_bench_driver copy_floor; do
  [ -x "$bin/$prog.exe" ] || { echo "copy_bench: $bin/$prog.exe missing (make win32 BUILD=...)" >&2; exit 1; }
done
export KOVA_BUILD_ROOT=$build
exec "$root/scripts/wine-session" bash -c '
set -eu
bin=$1
prefix_c=$WINEPREFIX/drive_c
best() { sort -n | head -1; }
engine= floor= plain= peak=
for run in 1 2 3; do
  rm -rf "$prefix_c/bench"; mkdir -p "$prefix_c/bench/engine" "$prefix_c/bench/floor" "$prefix_c/bench/plain"
  out=$(wine "$bin/copy_bench_driver.exe" "C:\\bench\\engine" | tr -d "\r")
  engine="$engine ${out%% *}"
  peak=$(echo "$out" | cut -d" " -f2)
  out=$(wine "$bin/copy_floor.exe" "C:\\bench\\floor" | tr -d "\r"); floor="$floor $out"
  out=$(wine "$bin/copy_floor.exe" copyfile "C:\\bench\\engine" "C:\\bench\\plain" | tr -d "\r"); plain="$plain $out"
done
cmp -s "$prefix_c/bench/engine/kovamain.exe" "$prefix_c/bench/floor/kovamain.exe" || { echo "copy_bench: engine and floor differ" >&2; exit 1; }
e=$(printf "%s\n" $engine | best); f=$(printf "%s\n" $floor | best); p=$(printf "%s\n" $plain | best)
echo "copy step (engine, demo payload):  ${e} s"
echo "floor (pieces + LZCopy + CRC read): ${f} s"
echo "plain CopyFileA of the files:       ${p} s"
echo "engine / floor:    $(echo "scale=2; $e / $f" | bc)x (aim: within 1.5x)"
echo "engine / CopyFileA: $(echo "scale=2; $e / $p" | bc)x"
echo "engine process peak working set: $((peak / 1024)) KB"
rm -rf "$prefix_c/bench"
' bench "$bin"
