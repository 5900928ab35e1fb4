#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it
# (the style is .clang-format's), naming the files; "-i" formats them instead.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == "-i" ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "${file}" 2>/dev/null || unformatted+=("${file}")
done
if ((${#unformatted[@]})); then
  printf 'not formatted (scripts/check_format.sh -i formats them):\n' >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "${#files[@]} files formatted"
