#!/usr/bin/env bash
# The signed program: setup.exe signed as `make release` signs it, with a
# throwaway code-signing certificate; the signature verifies against that
# certificate, and the signed copy installs under Wine as the unsigned one
# does (the whole walk, every payload file compared) and keeps its manifest.
# Usage: signed_setup.sh SETUP.exe E2E_DRIVER.exe WINE_RUN WORKDIR
set -euo pipefail
setup=$1 driver=$2 wine_run=$3 work=$4
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
rm -rf "$work" && mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=KOVA test signer" -keyout "$work/key.pem" \
  -out "$work/cert.pem" -addext keyUsage=digitalSignature -addext extendedKeyUsage=codeSigning 2>/dev/null
# A key that is not the certificate's: refused in one line that names it,
# with the file to be replaced as it was and nothing left beside it.
openssl genrsa -out "$work/other.pem" 2048 2>/dev/null
cp "$setup" "$work/kept.exe"
if "$scripts/sign-setup" "$setup" "$work/kept.exe" "$work/cert.pem" "$work/other.pem" 2>"$work/refused.txt" ||
  [ "$(wc -l < "$work/refused.txt")" != 1 ] || ! grep -q other.pem "$work/refused.txt" ||
  ! cmp -s "$setup" "$work/kept.exe" || [ "$(ls -A "$work" | wc -l)" != 5 ]; then
  cat "$work/refused.txt"; ls -A "$work"; echo "signed_setup: a mismatched key was not refused cleanly" >&2; exit 1
fi
"$scripts/sign-setup" "$setup" "$work/setup.exe" "$work/cert.pem" "$work/key.pem"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/setup.exe" > "$work/verify.txt" 2>&1 ||
  { cat "$work/verify.txt"; echo "signed_setup: the signature does not verify" >&2; exit 1; }
# The driver walks the copy KOVA_E2E_SETUP_EXE names: a missing one must fail.
if KOVA_E2E_SETUP_EXE=$work/missing.exe "$wine_run" "$driver" --gtest_filter='Executable.*' >/dev/null 2>&1; then
  echo "signed_setup: the driver did not take KOVA_E2E_SETUP_EXE" >&2; exit 1
fi
KOVA_E2E_SETUP_EXE=$work/setup.exe "$wine_run" "$driver" \
  --gtest_filter='Installation.DefaultDestinationInstallsFilesRegistryLinksAndUserConfig:Executable.*'
