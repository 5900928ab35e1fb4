#!/usr/bin/env bash
# The size of the tests beside the size of the code, in non-blank lines of the
# tracked source files (C/C++, Python, shell, CMake, resource scripts). Tests
# are everything under tests/ except fuzz corpora and other data; code is every
# other source file. Exits 1 when the ratio is above the limit (default 0.40).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
limit="${1:-0.40}"
is_source() { grep -E '\.(c|cc|cpp|h|hpp|py|sh|rc|cmake)$|(^|/)CMakeLists\.txt$|(^|/)(run|test)\.sh$|^\.ci/run$'; }
count() {
  local n=0 f
  while IFS= read -r f; do
    [[ -f "${f}" ]] && n=$((n + $(grep -cv '^[[:space:]]*$' "${f}" || true)))
  done
  echo "${n}"
}
tests=$(git ls-files | grep -E '^tests/' | grep -Ev '/(corpus|data)/' | is_source | count)
code=$(git ls-files | grep -Ev '^tests/' | is_source | count)
ratio=$(awk -v t="${tests}" -v c="${code}" 'BEGIN { printf "%.2f", (c > 0 ? t / c : 0) }')
echo "tests ${tests} lines, code ${code} lines, ratio ${ratio} (at most ${limit})"
awk -v r="${ratio}" -v l="${limit}" 'BEGIN { exit !(r <= l) }'
