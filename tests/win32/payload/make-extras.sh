#!/bin/sh
# After packing: a copy of piece 100 with one byte of its LZSS data inverted,
# its resource script, and the source files that sit beside the test program.
# Usage: make-extras.sh GENDIR STAGEDIR PROGRAMDIR KOVAPACK
set -eu
gen=$1 stage=$2 bin=$3 kovapack=$4
cp "$gen/chunk_100.bin" "$gen/corrupt.bin"
offset=40
value=$(od -An -tu1 -j $offset -N1 "$gen/corrupt.bin" | tr -d ' ')
printf "\\$(printf %03o $((value ^ 255)))" | dd of="$gen/corrupt.bin" bs=1 seek=$offset conv=notrunc 2>/dev/null
cp "$stage/manual.htm" "$bin/beside.txt"
"$kovapack" compress "$stage/manual.htm" "$bin/packed.tx_"
# Opens like a file; every read of it fails.
ln -sfn /proc/self/mem "$bin/rdfail.dat"
printf '900 RCDATA "%s"\n' "$gen/corrupt.bin" > "$gen/extra.rc.new"
mv "$gen/extra.rc.new" "$gen/extra.rc"
