#!/usr/bin/env bash
# Installs what is missing, builds zorvane.exe and zdriver.exe, and runs the
# POP3 round-trip benchmark (bench/pop3_round_trips.py, given these arguments).
# As root it runs in a network namespace of its own with only a loopback: its
# Dovecots and its proxies on ports 995 and 110 meet no other program's, and no
# packet of it can leave the machine.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "${repo}"
# The peers it times, openssl for its test CA, ip for the namespace's loopback.
scripts/install_packages.sh curl fetchmail openssl iproute2
cmake --preset windows >/dev/null
cmake --build --preset windows --target zorvane zdriver --parallel "$(nproc)"
if [[ ${EUID} -eq 0 ]] && unshare --net -- true 2>/dev/null; then
  exec unshare --net -- bash -c 'ip link set lo up && exec python3 bench/pop3_round_trips.py "$@"' _ "$@"
fi
echo "No network namespace of its own: the benchmark shares the machine's loopback."
exec python3 bench/pop3_round_trips.py "$@"
