#!/usr/bin/env bash
# Sets up what is missing, builds Zorvane and runs it under Wine in its own
# prefix. Uses your X display when there is one that works; otherwise starts a
# private Xvfb screen, checks the demo mailboxes through the tray menu and
# records the announcement. Ctrl+C ends everything.
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

demo_port=11110
# Dovecot reads its files as its own user, so they live where it can reach them.
demo_dir="/tmp/zorvane-demo-mail-$(id -u)"
settings_key='HKCU\Software\Quillmoor Software\Mireth'

# A local POP3 server with four demo mailboxes, so that the first check finds
# real mail. Set ZORVANE_NO_DEMO=1 to leave it out (for real accounts).
start_demo_mail_server() {
  [[ -n "${ZORVANE_NO_DEMO:-}" ]] && return 0
  python3 scripts/dovecot.py stop --dir "${demo_dir}" >/dev/null 2>&1 || true
  python3 scripts/dovecot.py start --dir "${demo_dir}" --port "${demo_port}" \
    --mailbox inbox:demo:3 --mailbox empty:demo:0 --mailbox busy:demo:7 --mailbox locked:secret:1 >/dev/null
  echo "Demo POP3 server on 127.0.0.1:${demo_port}"
  preset_demo_accounts
}

# reg add VALUE TYPE DATA in one account subkey (or the settings key for "").
demo_reg_add() {
  local key="${settings_key}${1:+\\$1}"
  "${WINE}" reg add "${key}" /v "$2" /t "$3" /d "$4" /f >/dev/null
}

# Accounts pointing at the demo server, written only into a prefix that has
# no settings yet, so that accounts a user entered are never overwritten.
preset_demo_accounts() {
  if "${WINE}" reg query "${settings_key}" >/dev/null 2>&1; then
    return 0
  fi
  demo_reg_add "" BOOT REG_DWORD 1
  demo_reg_add "" ChkTime REG_DWORD 10
  demo_reg_add "" ChkOpti REG_DWORD 0
  demo_reg_add "" IsChk REG_DWORD 0
  local n name user
  local names=("デモ 受信箱" "デモ 空の箱" "デモ 大量" "デモ パスワード違い")
  local users=(inbox empty busy locked)
  for n in 1 2 3 4; do
    name="${names[n - 1]}"
    user="${users[n - 1]}"
    demo_reg_add "POP${n}" NAME REG_SZ "${name}"
    demo_reg_add "POP${n}" Serv REG_SZ 127.0.0.1
    demo_reg_add "POP${n}" UserId REG_SZ "${user}"
    # "demo" as stored: every byte XOR 0x4E.
    demo_reg_add "POP${n}" PassWord REG_SZ '*+#!'
    demo_reg_add "POP${n}" PortNo REG_DWORD "${demo_port}"
    demo_reg_add "POP${n}" ChkFlg REG_DWORD 1
    demo_reg_add "POP${n}" Imagetype REG_DWORD 0
  done
  "${WINESERVER}" -w
  echo "Preset four demo accounts in ${WINEPREFIX}"
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
  if [[ -z "${ZORVANE_NO_DEMO:-}" ]]; then
    python3 scripts/dovecot.py stop --dir "${demo_dir}" >/dev/null 2>&1 || true
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

# On the private screen nobody can click: one check of the demo mailboxes is
# run through the tray menu and recorded.
if [[ -n "${xvfb_pid}" && -z "${ZORVANE_NO_DEMO:-}" ]]; then
  scripts/record_announcement.sh "${run_dir}"
  echo "The announcement: ${run_dir}/announcement.gif"
  echo "Resting balls and the results: ${screenshot}"
elif [[ -n "${xvfb_pid}" ]]; then
  sleep 5
  import -display "${DISPLAY}" -window root "${screenshot}"
  echo "Screenshot: ${screenshot}"
fi

status=0
wait "${zorvane_pid}" || status=$?
zorvane_pid=""
echo "Zorvane ended with exit code ${status}"
exit "${status}"
