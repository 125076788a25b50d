#!/usr/bin/env bash
# Runs a copy test program under Wine in Stockholm time (so a missing
# local-to-UTC conversion shows) with a 2 MB drive, a tmpfs mounted for this
# run and mapped to the first free drive letter; KOVA_SMALL_DRIVE names it.
# Needs root for the mount. KOVA_BUILD_ROOT names the build folder.
# Usage: run-with-small-drive.sh PROGRAM ARGS...
set -u
export TZ=Europe/Stockholm
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../scripts" && pwd)
. "$scripts/wine-env"
kova_ensure_prefix
prefix=$WINEPREFIX
dir= link=
cleanup() {
  [ -n "$link" ] && rm -f "$link"
  [ -n "$dir" ] && { umount "$dir" 2>/dev/null; rmdir "$dir"; }
}
trap cleanup EXIT INT TERM
case " $* " in
*--gtest_list_tests*) ;;
*)
  if [ -d "$prefix/dosdevices" ] && dir=$(mktemp -d "$KOVA_BUILD_ROOT/smalldrive.XXXXXX"); then
    if mount -t tmpfs -o size=2m tmpfs "$dir" 2>/dev/null; then
      for letter in m n o p q r s t u v w x y; do
        if ln -s "$dir" "$prefix/dosdevices/$letter:" 2>/dev/null; then
          link="$prefix/dosdevices/$letter:"
          export KOVA_SMALL_DRIVE="$letter:"
          break
        fi
      done
    else
      echo "run-with-small-drive: cannot mount a tmpfs (not root?)" >&2
    fi
  fi
  ;;
esac
# The first Wine process of a session starts Wine's services, which keep its
# stderr; start them here on /dev/null so that whoever reads this run's
# output (test discovery) sees it end.
"$scripts/wine-run" cmd /c exit 0 </dev/null >/dev/null 2>&1
"$scripts/wine-run" "$@"
