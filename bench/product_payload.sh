#!/usr/bin/env bash
# Stages a payload of the product's size for the copy benchmark: each row of
# the staged demo payload is repeated up to the size that row has in the
# product's file table (6536721 bytes in all), so that it compresses as the
# demo file does and the copy step is measured over the product's amount of
# data rather than over timer noise.
# Usage: bench/product_payload.sh KOVAPACK STAGED_DIR OUT_DIR
set -euo pipefail
kovapack=$1
stage=$2
out=$3
declare -A size=(
  [kovamain.exe]=461128 [zrwin32.dll]=354632 [kova.exe]=650056 [kovaserv.exe]=1367368
  [kova_hlp.kbx]=1472781 [kovahint.exe]=127816 [kovatarn.exe]=382792 [kovaweb.exe]=1615176
  [launchie.vbs]=15579 [version.bat]=406 [uninstal.exe]=79688 [tarn.cnf]=375 [kova.cnf]=505
  [sys_s.cnf]=862 [kvx_hlp.htm]=7557)
rm -rf "$out.new"
mkdir -p "$out.new"
rows=$("$kovapack" list "$stage/payload.list")
while IFS=$'\t' read -r stored source src; do
  [ -n "$stored" ] || continue
  want=${size[$stored]:?"product_payload: no product size for $stored"}
  [ -s "$src" ] || { echo "product_payload: $src is missing or empty" >&2; exit 1; }
  file=$out.new/$source
  : > "$file"
  while [ "$(stat -c %s "$file")" -lt "$want" ]; do cat "$src" >> "$file"; done
  truncate -s "$want" "$file"
done <<<"$rows"
cp "$stage/payload.list" "$out.new/payload.list"
rm -rf "$out"
mv "$out.new" "$out"
