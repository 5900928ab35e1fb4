#!/usr/bin/env bash
# Runs every end-to-end test (tests/e2e/test_*.py) under Wine + Xvfb and ends
# with the line "N passed, N failed". Needs build/windows (zorvane.exe and
# zdriver.exe): cmake --preset windows && cmake --build build/windows
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install_packages.sh"

cd "$root/tests/e2e"
exec python3 - "$@" <<'PY'
import sys
import unittest

import wine_fixture

names = sys.argv[1:]  # optional: test names, e.g. test_shell.TrayMenuTest
loader = unittest.defaultTestLoader
suite = loader.loadTestsFromNames(names) if names else loader.discover(".", pattern="test_*.py")
try:
    result = unittest.TextTestRunner(verbosity=2).run(suite)
finally:
    wine_fixture.stop_all()
# A test with several failed subtests counts once.
def test_id(test):
    return getattr(test, "test_case", test).id()

failed = len({test_id(test) for test, _ in result.failures + result.errors}
             | {test_id(test) for test in result.unexpectedSuccesses})
passed = max(0, result.testsRun - failed - len(result.skipped))
print(f"{passed} passed, {failed} failed")
sys.exit(0 if failed == 0 and result.testsRun > 0 else 1)
PY
