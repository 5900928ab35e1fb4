#!/usr/bin/env bash
# Sets up what is missing, builds every preset and runs every test: the include
# layers, the core's unit tests, the fuzzers for a bounded time, the asset
# generator's tests and the end-to-end suite under Wine; then prints the size
# of the tests beside the code. Ends with one line "N passed, N failed"
# counting the stages, and fails if any stage failed.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "${repo}" || exit 1

jobs="$(nproc)"
fuzz_seconds=20
passed=0
failed=0
results=()

summary() {
  local line
  echo
  for line in "${results[@]}"; do
    echo "${line}"
  done
  echo "${passed} passed, ${failed} failed"
}

# stage NAME COMMAND...: runs one stage and records its outcome.
stage() {
  local name="$1"
  shift
  echo
  echo "=== ${name}"
  if "$@"; then
    passed=$((passed + 1))
    results+=("PASS  ${name}")
  else
    failed=$((failed + 1))
    results+=("FAIL  ${name}")
    return 1
  fi
}

# Nothing after a failed set-up or build can run meaningfully: stop there.
required_stage() {
  if ! stage "$@"; then
    summary
    exit 1
  fi
}

build_preset() {
  cmake --preset "$1" && cmake --build --preset "$1" --parallel "${jobs}"
}

build_and_test() {
  build_preset "$1" && ctest --preset "$1"
}

# Runs a libFuzzer target for a bounded time. New inputs go to a scratch
# corpus in the build folder, so the seed corpus in the tree stays untouched.
run_fuzzer() {
  local exe="$1" name
  name="$(basename "${exe}")"
  local work="${repo}/build/fuzz/runs/${name}"
  local seeds="${repo}/tests/fuzz/corpus/${name}"
  rm -rf "${work}"
  mkdir -p "${work}/corpus" "${work}/artifacts"
  local args=(-max_total_time="${fuzz_seconds}" -timeout=10 -artifact_prefix="${work}/artifacts/" "${work}/corpus")
  [[ -d "${seeds}" ]] && args+=("${seeds}")
  if "${exe}" "${args[@]}" >"${work}/log.txt" 2>&1; then
    tail -n 2 "${work}/log.txt"
  else
    tail -n 40 "${work}/log.txt"
    return 1
  fi
}

required_stage "install packages" scripts/install_packages.sh
stage "includes point down" scripts/check_layers.sh
stage "C++ files formatted" scripts/check_format.sh

required_stage "host build" build_preset host
stage "host unit tests" ctest --preset host
# clang's -Wcomma catches statements joined with a comma.
stage "unit tests built with clang" build_and_test clang

required_stage "windows build" build_preset windows
stage "windows build is reproducible" scripts/check_reproducible.sh

if command -v clang++ >/dev/null; then
  required_stage "fuzz build" build_preset fuzz
  while IFS= read -r fuzzer; do
    stage "fuzz $(basename "${fuzzer}")" run_fuzzer "${fuzzer}"
  done < <(find build/fuzz -type f -name 'fuzz_*' -perm -u+x -not -path '*/CMakeFiles/*' -not -path 'build/fuzz/runs/*' | sort)
fi

stage "asset generator tests" python3 -m unittest discover -s tests/unit_py

stage "end-to-end tests under Wine" tests/e2e/run_e2e.sh

stage "tests beside code" scripts/test_ratio.sh

summary
((failed == 0))
