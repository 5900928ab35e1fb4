#!/usr/bin/env bash
# check_reproducible.sh [COMMIT]: builds zorvane.exe from two fresh clones of
# one commit (HEAD by default) in two unrelated folders, prints each SHA-256
# and fails unless they are the same. Compare the hash with that of an
# executable handed to you: equal means it was built from that commit.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
commit="$(git -C "${repo}" rev-parse "${1:-HEAD}")"
scratch="$(mktemp -d)"
trap 'rm -rf "${scratch}"' EXIT
hashes=()
for folder in "${scratch}/a" "${scratch}/b/other/place"; do
  git clone --quiet --no-checkout "${repo}" "${folder}"
  git -C "${folder}" checkout --quiet "${commit}"
  (cd "${folder}" && cmake --preset windows >/dev/null && cmake --build --preset windows --parallel "$(nproc)" >/dev/null)
  hashes+=("$(sha256sum "${folder}/build/windows/zorvane.exe" | cut -d' ' -f1)")
  echo "${hashes[-1]}  ${folder#"${scratch}"/}/build/windows/zorvane.exe"
done
[[ "${hashes[0]}" == "${hashes[1]}" ]]
