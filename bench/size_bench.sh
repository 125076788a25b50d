#!/usr/bin/env bash
# The size of the setup.exe the tests walk (the program that ships: -Os,
# stripped) and of its two parts. The program part is measured as the file
# size minus the bytes of the RT_RCDATA payload pieces, read from the PE
# resource directory: everything else (code, data, imports, dialogs, strings,
# pictures, icons, manifest, and the directory entries and alignment of the
# pieces) counts as program. That needs no second build and is exact for the
# file that ships; a build without the payload would differ only by those
# few directory bytes. The bound is the program part of the peer's
# setups: its stub (zlib, x86, Unicode) as the installed package ships it,
# measured here.
# Usage: bench/size_bench.sh BUILD
set -euo pipefail
build=${1:?usage: size_bench.sh BUILD}
setup=$build/win32/setup.exe
[ -f "$setup" ] || { echo "size_bench: $setup is missing (make BUILD=...)" >&2; exit 1; }
nsisdir=$(makensis -HDRINFO | tr ', ' '\n\n' | sed -n 's/^NSISDIR=//p')
stub=$nsisdir/Stubs/zlib-x86-unicode
[ -f "$stub" ] || { echo "size_bench: no peer stub at $stub" >&2; exit 1; }
limit=$(stat -c %s "$stub")
read -r total payload carried program < <(python3 "$(dirname "$0")/../scripts/pe-check" sizes "$setup")
printf 'setup.exe:          %8d bytes\n' "$total"
printf 'payload pieces:     %8d bytes (RT_RCDATA from 100)\n' "$payload"
printf 'logon program:      %8d bytes (RT_RCDATA %s, written to the destination for each user'"'"'s step)\n' "$carried" 90
printf 'peer stub:          %8d bytes (%s)\n' "$limit" "$stub"
printf 'program part:       %8d bytes, beside the peer stub: %s\n' "$program" \
  "$([ "$program" -le "$limit" ] && echo "within, $((limit - program)) to spare" || echo "OVER by $((program - limit))")"
[ -f "$setup.debug" ] && printf 'symbols (beside):   %8d bytes in setup.exe.debug\n' "$(stat -c %s "$setup.debug")"
# Where the program part's bytes are: sections, resources by kind, and the
# largest functions (from the symbols beside it).
python3 "$(dirname "$0")/../scripts/pe-check" parts "$setup" | awk '{ printf "  %-40s %8d bytes\n", $1 " " $2 (NF > 3 ? " " $3 " " $4 : ""), $NF }'
if [ -f "$setup.debug" ]; then
  echo "  largest functions:"
  nm=$(ls /usr/bin/i686-w64-mingw32-nm 2>/dev/null || echo nm)
  "$nm" --size-sort -S -C "$setup.debug" | awk '$3 ~ /^[tT]$/' | tail -n 10 |
    python3 -c 'import sys
for line in reversed(sys.stdin.read().splitlines()):
    address, size, kind, name = line.split(None, 3)
    print("    %6d %s" % (int(size, 16), name))'
fi
[ "$program" -le "$limit" ]
