# Shared by the scripts: build folders, the Wine prefix and the virtual display.
# Source it; it defines functions and variables only.

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TANDEM_BUILD:-$TOP/build}
JOBS=${TANDEM_JOBS:-$(nproc)}

export WINEPREFIX=$BUILD/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts in a fresh prefix
export LANG=ja_JP.UTF-8                      # Wine's ANSI code page becomes 932
unset LC_ALL LC_CTYPE

# configure NAME [cmake args...]: configure and build one tree under $BUILD/NAME.
configure_and_build() {
  local name=$1; shift
  mkdir -p "$BUILD"
  cmake -S "$TOP" -B "$BUILD/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$BUILD/$name.configure.log" 2>&1 \
    || { cat "$BUILD/$name.configure.log"; return 1; }
  cmake --build "$BUILD/$name" -j "$JOBS"
}

# A Wine prefix of the project's own, made once.
wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# Starts Xvfb on a free display and exports DISPLAY; stop_display ends it.
XVFB_PID=
start_display() {
  local n=91
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on $DISPLAY" >&2
  return 1
}
stop_display() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=
}
