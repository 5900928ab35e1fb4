#!/usr/bin/env bash
# Runs the end-to-end tests under Wine + Xvfb: every tests/e2e/test_*.py, or
# the ones named, e.g. test_check.BallsOnlyTest. Needs zorvane.exe and
# zdriver.exe: cmake --preset windows && cmake --build --preset windows
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install_packages.sh"
cd "$root/tests/e2e"
if (($#)); then exec python3 -m unittest -v "$@"; fi
exec python3 -m unittest discover -v -p 'test_*.py'
