#!/usr/bin/env bash
# Pictures for the README: starts Tandem with the keyer emulator in a Wine virtual desktop on a
# virtual screen and saves PNGs of the main window, each page of the Options sheet and the speed
# dialog.
#   bash scripts/screenshots.sh [folder]     (default: docs/images)
# Builds the Windows programs first when they are missing. With TANDEM_SHOT_REUSE_DISPLAY=1 it
# uses the virtual screen in $DISPLAY (as the test run does) instead of starting one of its own.
set -euo pipefail
. "$(dirname "$0")/common.sh"
OUT=${1:-$TOP/docs/images}
BIN=${TANDEM_SHOT_BIN:-$BUILD/x86_64/bin}
SHOTS=(main-window options-memories options-keyer options-other speed-dialog)

if [ ! -e "$BIN/ScreenshotDriver.exe" ] || [ ! -e "$BIN/Tandem.exe" ]; then
  configure_and_build x86_64 -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/mingw-x86_64.cmake" >/dev/null
fi
wine_prefix
mkdir -p "$OUT"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tandem-shots.XXXXXX")
driver=
own_display=
cleanup() {
  if [ -n "$driver" ]; then kill "$driver" 2>/dev/null || true; wait "$driver" 2>/dev/null || true; fi
  if [ -n "$own_display" ]; then stop_display; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
if [ "${TANDEM_SHOT_REUSE_DISPLAY:-}" = 1 ] && xdpyinfo >/dev/null 2>&1; then
  :
else
  start_display
  own_display=1
fi

mkdir -p "$WORK/tandem" "$WORK/signals"
: >"$WORK/driver.txt"
cd "$BIN"
wine explorer /desktop=TandemShots,900x600 ScreenshotDriver.exe \
  --work "$(winepath -w "$WORK/tandem" 2>/dev/null)" --out "$(winepath -w "$WORK/signals" 2>/dev/null)" \
  >"$WORK/driver.txt" 2>&1 &
driver=$!

taken=0
for _ in $(seq 1500); do   # at most five minutes
  while read -r word name x y w h; do
    [ "$word" = shot ] || continue
    [ -e "$WORK/signals/$name.taken" ] && continue
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$OUT/$name.png"
    touch "$WORK/signals/$name.taken" "$WORK/signals/$name.done"
    taken=$((taken + 1))
  done < <(tr -d '\r' <"$WORK/driver.txt")
  grep -q '^done' "$WORK/driver.txt" && break
  kill -0 "$driver" 2>/dev/null || break
  sleep 0.2
done
status=0
wait "$driver" || status=$?
driver=
if [ "$status" -ne 0 ] || ! grep -q '^done' "$WORK/driver.txt"; then
  cat "$WORK/driver.txt" >&2
  echo "screenshots: the driver did not finish" >&2
  exit 1
fi
for name in "${SHOTS[@]}"; do
  if ! identify "$OUT/$name.png" >/dev/null 2>&1; then
    echo "screenshots: $OUT/$name.png is missing or no picture" >&2
    exit 1
  fi
done
echo "screenshots: ${#SHOTS[@]} pictures in $OUT"
