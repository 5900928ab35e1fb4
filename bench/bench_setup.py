"""What a benchmark imports first: scripts/ and tests/e2e on the module path, and the end-to-end fixture pointed at
the benchmark's own Wine prefix and logs, apart from the end-to-end tests' own, before anything starts Wine."""

import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path[:0] = [str(REPO / "scripts"), str(REPO / "tests" / "e2e")]

import wine_fixture  # noqa: E402

wine_fixture.PREFIX = REPO / "build" / "bench" / "wineprefix"
wine_fixture.LOG_DIR = REPO / "build" / "bench" / "logs"
