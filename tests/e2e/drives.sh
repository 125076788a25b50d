#!/usr/bin/env bash
# Gives the end-to-end scenarios a drive letter on a small filesystem:
# S: on a 1 MB tmpfs, smaller than the payload (needs root, for mount); R:,
# an empty folder, to install at a drive's root; and C:\kova_links, where
# the log's name is a link to precious.txt beside it, as another user could
# plant one (Wine follows a Unix symbolic link; it makes none itself).
# Usage: drives.sh setup|cleanup, with KOVA_BUILD_ROOT and KOVA_TREE naming
# the tree (the tree's in-tree wrapper sets them).
set -u
action=$1
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env"
dir="$WINEPREFIX.e2e-small"
link="$WINEPREFIX/dosdevices/s:"
root_dir="$WINEPREFIX.e2e-root"
root_link="$WINEPREFIX/dosdevices/r:"
links="$WINEPREFIX/drive_c/kova_links"

case "$action" in
setup)
  kova_ensure_prefix
  mkdir -p "$dir" || exit 1
  if ! mountpoint -q "$dir"; then
    mount -t tmpfs -o size=1m tmpfs "$dir" || { echo "drives.sh: cannot mount a tmpfs on $dir" >&2; exit 1; }
  fi
  ln -sfn "$dir" "$link" || exit 1
  rm -rf "$root_dir" && mkdir -p "$root_dir" && ln -sfn "$root_dir" "$root_link" || exit 1
  rm -rf "$links" && mkdir -p "$links" && printf 'precious' >"$links/precious.txt" &&
    ln -s "$links/precious.txt" "$links/KOVA 17.1 Setup.log" || exit 1
  echo "S: -> $dir ($(df -k --output=avail "$dir" | tail -n1 | tr -d ' ') kB free)"
  ;;
cleanup)
  rm -f "$link" "$root_link"
  rm -rf "$root_dir" "$links"
  if mountpoint -q "$dir"; then umount "$dir" || exit 1; fi
  rmdir "$dir" 2>/dev/null
  exit 0
  ;;
*)
  echo "usage: drives.sh setup|cleanup" >&2
  exit 2
  ;;
esac
