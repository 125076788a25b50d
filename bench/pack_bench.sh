#!/usr/bin/env bash
# kovapack against mscompress on real Windows programs and libraries (Wine's
# own 32-bit files) and licence texts: output size and time per file and in
# total, each output checked by msexpand. Then the time and peak memory of
# `kovapack pack` on a payload list.
set -euo pipefail
build=${1:?usage: pack_bench.sh BUILD}
kovapack=$build/host/tools/kovapack/kovapack
source_dir=$(cd "$(dirname "$0")/.." && pwd)
windows_dir=/usr/lib/i386-linux-gnu/wine/i386-windows
picks=${KOVA_BENCH_FILES:-30}

[ -x "$kovapack" ] || { echo "pack_bench: no $kovapack (make host first)" >&2; exit 1; }
for tool in mscompress msexpand /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "pack_bench: $tool is missing" >&2; exit 1; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The corpus: files spread evenly over the size order of the Windows files
# (smallest to largest), then the licence texts.
mapfile -t windows < <(ls -1S -r "$windows_dir"/*.exe "$windows_dir"/*.dll)
corpus=()
count=${#windows[@]}
for ((i = 0; i < picks; i++)); do
  corpus+=("${windows[$(( i * (count - 1) / (picks - 1) ))]}")
done
for f in /usr/share/common-licenses/*; do
  [ -f "$f" ] && corpus+=("$f")
done

now() { date +%s.%N; }

printf '%-22s %10s %10s %10s %8s %8s %8s %7s %6s\n' \
  file size kovapack mscompress kova_s ms_s size% speed ok
tot_in=0 tot_k=0 tot_m=0 tot_tk=0 tot_tm=0 bad=0
for f in "${corpus[@]}"; do
  name=$(basename "$f")
  work=$scratch/$name
  cp "$f" "$work"
  t0=$(now); "$kovapack" compress "$work" "$work.kz"; t1=$(now)
  mscompress "$work"; t2=$(now)
  ok=yes
  msexpand < "$work.kz" | cmp -s - "$work" || { ok=NO; bad=1; }
  size=$(stat -c %s "$work"); ks=$(stat -c %s "$work.kz"); ms=$(stat -c %s "${work}_")
  read -r tk tm < <(echo "$t0 $t1 $t2" | awk '{ printf "%.3f %.3f\n", $2 - $1, $3 - $2 }')
  awk -v n="$name" -v s="$size" -v k="$ks" -v m="$ms" -v tk="$tk" -v tm="$tm" -v ok="$ok" 'BEGIN {
    printf "%-22s %10d %10d %10d %8.3f %8.3f %7.2f%% %6.1fx %6s\n", n, s, k, m, tk, tm, 100 * k / m, tm / (tk > 0 ? tk : 0.001), ok }'
  tot_in=$((tot_in + size)); tot_k=$((tot_k + ks)); tot_m=$((tot_m + ms))
  tot_tk=$(awk -v a="$tot_tk" -v b="$tk" 'BEGIN { print a + b }')
  tot_tm=$(awk -v a="$tot_tm" -v b="$tm" 'BEGIN { print a + b }')
  rm -f "$work" "$work.kz" "${work}_"
done
awk -v n="total (${#corpus[@]} files)" -v s="$tot_in" -v k="$tot_k" -v m="$tot_m" -v tk="$tot_tk" -v tm="$tot_tm" 'BEGIN {
  printf "%-22s %10d %10d %10d %8.3f %8.3f %7.2f%% %6.1fx\n", n, s, k, m, tk, tm, 100 * k / m, tm / tk }'
[ "$bad" = 0 ] || echo "pack_bench: some kovapack outputs did not expand back with msexpand" >&2

# The payload list: the staged one of the Win32 build, else the source tree's
# when its files are all there, else the corpus under 8.3 names.
usable_list() {
  local list=$1 rows path
  [ -f "$list" ] || return 1
  rows=$("$kovapack" list "$list" 2>/dev/null) || return 1
  while IFS=$'\t' read -r _ _ path; do
    [ -z "$path" ] || [ -f "$path" ] || return 1
  done <<<"$rows"
}
list=""
for candidate in $(find "$build/win32" -name payload.list 2>/dev/null | sort) "$source_dir/payload/payload.list"; do
  if usable_list "$candidate"; then list=$candidate; break; fi
done
if [ -z "$list" ]; then
  list=$scratch/payload.list
  n=0
  for f in "${corpus[@]}"; do
    n=$((n + 1))
    printf 'file%04d.bin %s\n' "$n" "$f" >> "$list"
  done
fi
echo
echo "kovapack pack $list"
/usr/bin/time -v -o "$scratch/time.txt" "$kovapack" pack "$list" "$scratch/pack" > "$scratch/pack.txt"
tail -n 1 "$scratch/pack.txt"
awk -F': ' '/Elapsed \(wall clock\)/ { print "pack wall time: " $2 }
            /Maximum resident set size/ { printf "pack peak memory: %.1f MB\n", $2 / 1024 }' "$scratch/time.txt"
exit $bad
