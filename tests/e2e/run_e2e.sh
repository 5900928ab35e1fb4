#!/usr/bin/env bash
# Runs the end-to-end tests (tests/e2e/test_*.py, or the names given, e.g.
# test_shell.ShellTest) under Wine + Xvfb; ends with "N passed, N failed".
# Needs zorvane.exe and zdriver.exe: cmake --preset windows && cmake --build --preset windows
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install_packages.sh"
cd "$root/tests/e2e"
exec python3 - "$@" <<'PY'
import sys
import unittest

import wine_fixture

loader = unittest.defaultTestLoader
suite = loader.loadTestsFromNames(sys.argv[1:]) if sys.argv[1:] else loader.discover(".", "test_*.py")
try:
    result = unittest.TextTestRunner(verbosity=2).run(suite)
finally:
    wine_fixture.stop_all()
failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
print(f"{result.testsRun - failed - len(result.skipped)} passed, {failed} failed")
sys.exit(0 if failed == 0 and result.testsRun > 0 else 1)
PY
