#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a layer above its own.
# The layers, top to bottom: shell, dialogs, display, mail, settings, common.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
layers=(shell dialogs display mail settings common)
rank() {
  local i
  for i in "${!layers[@]}"; do
    if [[ "${layers[i]}" == "$1" ]]; then echo "$i"; return; fi
  done
  echo -1
}
status=0
while IFS=: read -r file include; do
  from=$(rank "$(cut -d/ -f2 <<<"${file}")")
  to=$(rank "${include%%/*}")
  if ((from >= 0 && to >= 0 && to < from)); then
    echo "${file} includes ${include}: ${layers[to]} is above ${layers[from]}"
    status=1
  fi
done < <(grep -rHoE '^#include "[a-z_]+/[^"]+"' src | sed -E 's/:#include "(.*)"$/:\1/')
((status == 0)) && echo "includes point down only: ${layers[*]}"
exit "${status}"
