#!/usr/bin/env bash
# Takes the README's picture of the main window as a first start shows it (docs/first-use.png):
# builds the program as ./run.sh does and runs it on a virtual screen (Xvfb), with a program
# folder holding the sample band plans and settings of its own. The receiver model is the
# default one on the Null interface, so that no serial port is opened and no box covers the
# window; the receiver stays off.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh screenshot
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOZEVERE_TESTS=OFF
cmake --build build

work=$(mktemp -d)
program="" server=""
finish() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/program" "$work/config/ZOZEVERE" "$work/runtime" "$work/data"
chmod 700 "$work/runtime"
cp data/*.bpl "$work/program/"
printf '[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n' >"$work/config/ZOZEVERE/ZOZEVERE.ini"

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
server=$!
read -r display <"$work/display"
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb ZOZEVERE_HOME="$work/program" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/data"
build/app/zozevere &
program=$!

# The caption names the receiver model at the end of the start-up.
window=""
for _ in $(seq 600); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"ZOZEVERE - /{print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "the main window did not come up" >&2; exit 1; }
sleep 2   # its first drawing
mkdir -p docs
import -window "$window" docs/first-use.png
echo "saved docs/first-use.png"
