#!/usr/bin/env bash
# Tandem's main job: builds the Windows programs and runs them under Wine.
# On a desktop (DISPLAY set) the programs open in a Wine virtual desktop and run until closed.
# Without a display they run on a virtual screen (Xvfb), play a scripted exchange, and leave a
# screenshot and what was received in out/.
set -euo pipefail
. "$(dirname "$0")/common.sh"
bash "$TOP/scripts/setup.sh"
configure_and_build x86_64 -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/mingw-x86_64.cmake" >/dev/null
wine_prefix
BIN=$BUILD/x86_64/bin
OUT=$TOP/out
mkdir -p "$OUT"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting the hook monitor and the logger stand-in on $DISPLAY."
  echo "Type a call sign into the entry window and press F1..F12, Esc, Ctrl+Z: each entry record appears."
  cd "$BIN" && exec wine explorer /desktop=Tandem,1024x700 HookMonitor.exe
fi

start_display
trap stop_display EXIT
cd "$BIN"
wine explorer /desktop=Tandem,1024x700 HookMonitor.exe --demo >"$OUT/records.txt" 2>&1 &
demo=$!
for _ in $(seq 300); do
  grep -q "records received" "$OUT/records.txt" && break
  sleep 0.2
done
import -window root -crop 1024x700+0+0 "$OUT/screenshot.png" 2>/dev/null || true
wait "$demo" || true
cat "$OUT/records.txt"
echo "Screenshot: $OUT/screenshot.png"
grep -q "records received" "$OUT/records.txt"
