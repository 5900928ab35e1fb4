#!/usr/bin/env bash
# record_announcement.sh OUTDIR: on the X display $DISPLAY where Zorvane runs
# under Wine, chooses "メールチェック" in the tray menu the way a user would
# (a right click on the icon, a left click on the item), records the balls'
# flight as OUTDIR/announcement.gif and the resting balls with the result
# dialog as OUTDIR/screenshot.png.
set -euo pipefail
out="$1"
frames="${out}/frames"
result_title="メールチェック結果"

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
  local tries=$(($1 * 10))
  shift
  until "$@" >/dev/null 2>&1; do
    ((tries-- > 0)) || return 1
    sleep 0.1
  done
}

# The geometry (X Y) of Zorvane's open popup menu: its only unnamed window
# larger than a pixel while no ball flies.
menu_position() {
  xwininfo -root -tree | sed -nE 's/.*\(has no name\): \("zorvane\.exe".* ([0-9]{2,})x([0-9]{2,})\+(-?[0-9]+)\+(-?[0-9]+) .*/\3 \4/p' | head -n 1
}

# Wine shows the notification area as a window of its own when no desktop
# provides one; Zorvane's icon is its first.
wait_for 60 xdotool search --name "Wine System Tray"
eval "$(xdotool getwindowgeometry --shell "$(xdotool search --name "Wine System Tray" | head -n 1)")"
sleep 1  # the icon is drawn just after the window appears
xdotool mousemove $((X + 12)) $((Y + HEIGHT - 13)) click 3
wait_for 10 test -n "$(menu_position)"
read -r menu_x menu_y <<<"$(menu_position)"
xdotool mousemove $((menu_x + 20)) $((menu_y + 10)) click 1

rm -rf "${frames}"
mkdir -p "${frames}"
started=$(date +%s%N)
for ((n = 0; n < 600; n++)); do
  xdotool search --name "${result_title}" >/dev/null 2>&1 && break
  import -window root -resize 50% "${frames}/$(printf '%04d' "${n}").png"
done
# Each frame is shown for as long as taking it took, so the picture runs in real time.
delay=$((($(date +%s%N) - started) / 10000000 / (n > 0 ? n : 1)))
convert -delay "${delay}" -loop 0 "${frames}"/*.png "${out}/announcement.gif"
rm -rf "${frames}"
sleep 1  # the dialog draws itself
import -window root "${out}/screenshot.png"
