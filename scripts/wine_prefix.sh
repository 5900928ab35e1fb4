#!/usr/bin/env bash
# A private 64-bit Wine prefix in which Zorvane's Japanese interface renders.
#
#   scripts/wine_prefix.sh PREFIX_DIR     create or update the prefix
#
# Other scripts source this file and use its functions:
#   zorvane_wine_env PREFIX_DIR           export WINEPREFIX, WINEDEBUG,
#                                         WINEDLLOVERRIDES, LANG, WINE, WINESERVER
#   zorvane_wine_prefix_setup PREFIX_DIR  what running the script does

zorvane_wine_env() {
  local prefix
  prefix="$(realpath -m "$1")"  # Wine refuses a relative WINEPREFIX
  export WINEPREFIX="${prefix}"
  export WINEDEBUG=-all
  # No Mono or Gecko: nothing here needs them, and their install prompts would block.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Without a sound card the audio driver only fills the terminal with errors.
  if [[ ! -d /dev/snd ]]; then
    WINEDLLOVERRIDES+=";winealsa.drv,winepulse.drv=d"
  fi
  export LANG=ja_JP.UTF-8
  unset LC_ALL  # it would override LANG and leave the Japanese text as boxes
  export WINE=/usr/lib/wine/wine64
  export WINESERVER=/usr/lib/wine/wineserver
}

# The dialogs ask for Japanese and Western Windows fonts that the prefix does
# not have; without a Japanese replacement their text shows as boxes.
zorvane_wine_replaced_fonts=(
  "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma"
)
zorvane_wine_font=IPAPGothic

zorvane_wine_registry_text() {
  local font
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for font in "${zorvane_wine_replaced_fonts[@]}"; do
    printf '"%s"="%s"\r\n' "${font}" "${zorvane_wine_font}"
  done
  # Without a window manager Wine waits about 2 s whenever a captioned window
  # is hidden; unmanaged windows avoid that stall under Xvfb.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
}

# Prints a key as reg.exe lists it, in UTF-8: reg.exe writes a pipe in the
# console code page, which is Shift-JIS (932) under the Japanese locale.
zorvane_wine_reg_query() {
  local listing
  listing="$("${WINE}" reg query "$@" 2>/dev/null)" || return 1
  listing="${listing//$'\r'/}"
  iconv -f CP932 -t UTF-8 <<<"${listing}" 2>/dev/null || printf '%s\n' "${listing}"
}

# Succeeds when every value above is in the prefix's registry.
zorvane_wine_registry_ok() {
  local listing font
  listing="$(zorvane_wine_reg_query 'HKCU\Software\Wine\Fonts\Replacements')" || return 1
  for font in "${zorvane_wine_replaced_fonts[@]}"; do
    grep -qxF -- "    ${font}    REG_SZ    ${zorvane_wine_font}" <<<"${listing}" || return 1
  done
  listing="$(zorvane_wine_reg_query 'HKCU\Software\Wine\X11 Driver' /v Managed)" || return 1
  grep -qxF "    Managed    REG_SZ    N" <<<"${listing}"
}

zorvane_wine_prefix_setup() {
  local reg_file status=0
  zorvane_wine_env "$1"
  mkdir -p "${WINEPREFIX}"
  if [[ ! -f "${WINEPREFIX}/system.reg" ]]; then
    echo "Creating the Wine prefix ${WINEPREFIX}"
    "${WINE}" wineboot -i 2>/dev/null || status=$?
  fi
  if ((status == 0)) && ! zorvane_wine_registry_ok; then
    reg_file="${WINEPREFIX}/drive_c/zorvane-setup.reg"
    # Version 5 .reg files are UTF-16; that keeps the Japanese font name intact.
    { printf '\xff\xfe'; zorvane_wine_registry_text | iconv -f UTF-8 -t UTF-16LE; } >"${reg_file}"
    "${WINE}" regedit /S 'C:\zorvane-setup.reg' || status=$?
    rm -f "${reg_file}"
    if ((status == 0)) && ! zorvane_wine_registry_ok; then
      echo "wine_prefix.sh: the font replacements did not reach ${WINEPREFIX}" >&2
      status=1
    fi
  fi
  # The registry reaches the disk only when the wineserver ends.
  "${WINESERVER}" -w
  return "${status}"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -euo pipefail
  if [[ $# -ne 1 ]]; then
    echo "usage: $0 PREFIX_DIR" >&2
    exit 2
  fi
  zorvane_wine_prefix_setup "$1"
fi
