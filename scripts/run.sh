#!/usr/bin/env bash
# Tandem's main job: builds the Windows programs and runs the whole system under Wine: the logger
# stand-in, Tandem, and the keyer emulator in the place of the keying interface's library (copied
# into a fresh working folder under out/, never beside Tandem.exe).
# On a desktop (DISPLAY set) the programs open in a Wine virtual desktop, with live side tone on
# the sound device, and run until Tandem is closed. Without a display they run on a virtual
# screen (Xvfb), play a scripted exchange through the logger's keys, and leave a screenshot, the
# keyed audio, the keyer trace and the log in out/.
set -euo pipefail
. "$(dirname "$0")/common.sh"
bash "$TOP/scripts/setup.sh"
configure_and_build x86_64 -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/mingw-x86_64.cmake" >/dev/null
wine_prefix
BIN=$BUILD/x86_64/bin
OUT=$TOP/out
WORK=$OUT/work-$(date +%Y%m%d-%H%M%S)
mkdir -p "$WORK"
winpath() { winepath -w "$1" 2>/dev/null; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting the logger stand-in and Tandem with the keyer emulator on $DISPLAY (working folder $WORK)."
  export KEYPORT_WAV
  KEYPORT_WAV=$(winpath "$WORK/keyed.wav")
  cd "$BIN"
  wine explorer /desktop=Tandem,1024x700 DemoDriver.exe --work "$(winpath "$WORK")"
  exit 0
fi

start_display
driver=
cleanup() {
  if [ -n "$driver" ]; then kill "$driver" 2>/dev/null || true; fi
  stop_display
}
trap cleanup EXIT
rm -f "$OUT/screenshot.png" "$OUT/keyed.wav" "$OUT/keyer-trace.txt" "$OUT/log.txt" "$OUT/screenshot.done"
export KEYPORT_AUDIO=0
export KEYPORT_WAV
KEYPORT_WAV=$(winpath "$OUT/keyed.wav")
cd "$BIN"
wine explorer /desktop=Tandem,1024x700 DemoDriver.exe --script --work "$(winpath "$WORK")" \
  --out "$(winpath "$OUT")" >"$OUT/demo.txt" 2>&1 &
driver=$!
for _ in $(seq 900); do
  grep -q "ready for the screenshot" "$OUT/demo.txt" 2>/dev/null && break
  kill -0 "$driver" 2>/dev/null || break
  sleep 0.2
done
import -window root -crop 1024x700+0+0 "$OUT/screenshot.png" 2>/dev/null || true
touch "$OUT/screenshot.done"
status=0
wait "$driver" || status=$?
driver=
cat "$OUT/demo.txt"
echo "Screenshot:   $OUT/screenshot.png"
echo "Keyed audio:  $OUT/keyed.wav"
echo "Keyer trace:  $OUT/keyer-trace.txt"
echo "Log:          $OUT/log.txt"
# The exchange counts as played when the driver said so and printed what was keyed.
[ "$status" -eq 0 ] && grep -q "^Keyed: ." "$OUT/demo.txt"
