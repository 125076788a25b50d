#!/usr/bin/env bash
# Walks the real setup.exe twice and takes a screenshot of each question
# page and of the completion page. Run inside scripts/wine-session.
# Usage: take_screens.sh WIN32_BUILD_DIR OUTDIR
set -euo pipefail
WIN=$1
OUT=$2
mkdir -p "$OUT"
POKE="$WIN/tests/win32/pages/pages_poke.exe"
DRIVE_C="$WINEPREFIX/drive_c"
poke() { wine "$POKE" "$@"; }
shot() {
  sleep 1
  local geometry
  geometry=$(poke rect IDC_NEXT | tr -d '\r')
  /usr/bin/import -window root -crop "$geometry" +repage "$OUT/$1.png"
}

rm -rf "$DRIVE_C/kovashots" "$DRIVE_C/Program Files/KOVAwin"
mkdir -p "$DRIVE_C/kovashots/plain/setup" "$DRIVE_C/kovashots/reader/setup" "$DRIVE_C/kovashots/reader/acrobat"
cp "$WIN/setup.exe" "$DRIVE_C/kovashots/plain/setup/"
cp "$WIN/setup.exe" "$DRIVE_C/kovashots/reader/setup/"
cp "$WIN/tests/win32/pages/pages_recorder.exe" "$DRIVE_C/kovashots/reader/acrobat/rs405eng.exe"
# An earlier copy in the proposed directory brings the replace page.
mkdir -p "$DRIVE_C/Program Files/KOVAwin"
echo old > "$DRIVE_C/Program Files/KOVAwin/kova.exe"

walk() {
  local root=$1 reader=$2
  (cd "$DRIVE_C/kovashots/$root/setup" && wine setup.exe) &
  local pid=$!
  poke wait IDC_PRODUCT_IDENTITY
  [ "$reader" = 0 ] && shot welcome
  poke click IDC_NEXT; poke wait IDC_DIRECTORY
  if [ "$reader" = 0 ]; then
    shot destination
    poke text IDC_DIRECTORY 'Q:\KOVA'; sleep 0.5; poke click IDC_NEXT; sleep 1; poke wait IDC_DIRECTORY
    shot destination-error
    poke text IDC_DIRECTORY 'C:\Program Files\KOVAwin'; sleep 0.5
  fi
  poke click IDC_NEXT; poke wait IDC_REPLACE
  [ "$reader" = 0 ] && shot replace
  poke click IDC_NEXT; poke waitfor IDC_PAGE_TITLE "Ready to install"
  poke click IDC_NEXT; poke waitfor IDC_EXIT Finish 120
  if [ "$reader" = 0 ]; then
    shot complete
  else
    poke click IDC_READER_CHECK; shot complete-reader
  fi
  poke click IDC_EXIT
  wait $pid || true
}

walk plain 0
walk reader 1
