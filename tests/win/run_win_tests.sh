#!/usr/bin/env bash
# Runs the Windows-side test programs under Wine, in a prefix of their own.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/windows"
prefix="$root/build/wintest/wineprefix"

"$root/scripts/wine_prefix.sh" "$prefix"
# shellcheck source=../../scripts/wine_prefix.sh
source "$root/scripts/wine_prefix.sh"
zorvane_wine_env "$prefix"
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT

status=0
for program in registry_test; do
  echo "== $program"
  "$WINE" "$build/tests/win/$program.exe" || status=1
done
exit $status
