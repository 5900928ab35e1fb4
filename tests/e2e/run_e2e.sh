#!/usr/bin/env bash
# Runs the end-to-end tests under Wine + Xvfb: every tests/e2e/test_*.py, or the ones named, e.g.
# test_check.TrayTest. Needs zorvane.exe and zdriver.exe: cmake --preset windows && cmake --build --preset windows
#
# As root the suite runs in network and mount namespaces of its own: only a loopback, so its servers on fixed ports meet
# no other run's and no packet leaves the machine; and tests/e2e/hosts as /etc/hosts, with a resolver on the loopback
# where nothing answers, so a name the file lacks fails at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [[ -z "${ZORVANE_E2E_NAMESPACE:-}" ]]; then
  "$root/scripts/install_packages.sh"
  if [[ ${EUID} -eq 0 ]] && unshare --net --mount -- true 2>/dev/null; then
    exec env ZORVANE_E2E_NAMESPACE=1 unshare --net --mount -- "$0" "$@"
  fi
  echo "No namespaces of its own: the suite shares the machine's loopback, and the tests of names skip."
else
  ip link set lo up
  mount --bind "$root/tests/e2e/hosts" /etc/hosts
  mount --bind "$root/tests/e2e/resolv.conf" /etc/resolv.conf
fi
cd "$root/tests/e2e"
if (($#)); then exec python3 -m unittest -v "$@"; fi
exec python3 -m unittest discover -v -p 'test_*.py'
