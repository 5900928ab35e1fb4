#!/usr/bin/env bash
# Installs what is missing, builds zorvane.exe and zdriver.exe, and runs bench/new_mail_cost.py with these
# arguments; as root in a network namespace of its own with only a loopback.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "${repo}"
scripts/install_packages.sh iproute2
cmake --preset windows >/dev/null
cmake --build --preset windows --target zorvane zdriver --parallel "$(nproc)"
if [[ ${EUID} -eq 0 ]] && unshare --net -- true 2>/dev/null; then
  exec unshare --net -- bash -c 'ip link set lo up && exec python3 bench/new_mail_cost.py "$@"' _ "$@"
fi
exec python3 bench/new_mail_cost.py "$@"
