#!/usr/bin/env bash
# Sets up what is missing, builds Zorvane and runs it under Wine in its own
# prefix. Uses your X display when there is one that works; otherwise starts a
# private Xvfb screen and saves a screenshot of it. Ctrl+C ends everything.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "${repo}"
# shellcheck source=scripts/wine_prefix.sh
source scripts/wine_prefix.sh

run_dir="${repo}/build/run"
prefix="${run_dir}/wineprefix"
screenshot="${run_dir}/screenshot.png"
xvfb_pid=""
zorvane_pid=""

# Hook: a later change starts a local demo POP3 server here and presets the
# accounts in the prefix's registry so that a check has mail to find.
start_demo_mail_server() {
  :
}

display_works() {
  [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1
}

# Starts Xvfb on the first display number that nobody holds; sets DISPLAY.
start_private_display() {
  local n
  for ((n = 50; n < 200; n++)); do
    [[ -e "/tmp/.X${n}-lock" || -e "/tmp/.X11-unix/X${n}" ]] && continue
    Xvfb ":${n}" -screen 0 1024x768x24 -nolisten tcp >"${run_dir}/xvfb.log" 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":${n}"
    for _ in {1..50}; do
      display_works && return 0
      kill -0 "${xvfb_pid}" 2>/dev/null || break  # lost the race for this number
      sleep 0.1
    done
    kill "${xvfb_pid}" 2>/dev/null || true
    wait "${xvfb_pid}" 2>/dev/null || true
    xvfb_pid=""
  done
  echo "run.sh: could not start Xvfb (see ${run_dir}/xvfb.log)" >&2
  return 1
}

# shellcheck disable=SC2317  # reached only through the traps
stop_everything() {
  trap - EXIT INT TERM
  if [[ -n "${zorvane_pid}" ]] && kill -0 "${zorvane_pid}" 2>/dev/null; then
    "${WINESERVER}" -k 2>/dev/null || true
    wait "${zorvane_pid}" 2>/dev/null || true
  fi
  if [[ -n "${WINESERVER:-}" ]]; then
    "${WINESERVER}" -w 2>/dev/null || true
  fi
  if [[ -n "${xvfb_pid}" ]]; then
    kill "${xvfb_pid}" 2>/dev/null || true
    wait "${xvfb_pid}" 2>/dev/null || true
  fi
}

scripts/install_packages.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target zorvane --parallel "$(nproc)"

mkdir -p "${run_dir}"
scripts/wine_prefix.sh "${prefix}"
zorvane_wine_env "${prefix}"

trap stop_everything EXIT
trap 'echo; echo "Stopping Zorvane"; exit 0' INT TERM

if ! display_works; then
  start_private_display
  echo "No usable display; Zorvane runs on a private Xvfb screen ${DISPLAY}"
fi

start_demo_mail_server

"${WINE}" "${repo}/build/windows/zorvane.exe" &
zorvane_pid=$!
echo "Zorvane is running (Wine prefix ${WINEPREFIX}). Press Ctrl+C to stop it."

if [[ -n "${xvfb_pid}" ]]; then
  sleep 5
  import -display "${DISPLAY}" -window root "${screenshot}"
  echo "Screenshot: ${screenshot}"
fi

status=0
wait "${zorvane_pid}" || status=$?
zorvane_pid=""
echo "Zorvane ended with exit code ${status}"
exit "${status}"
