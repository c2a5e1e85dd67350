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

# Once wine32 is installed the `wine` command starts every program through the 32-bit loader,
# which a kernel without 32-bit support cannot run ("Exec format error"), and then not even a
# 64-bit program starts. On such a kernel the 64-bit loader is called directly instead, and the
# 32-bit build is not run (KERNEL_NO_32BIT says why).
KERNEL_NO_32BIT=
if [ -x /usr/lib/wine/wine ] && [ -x /usr/lib/wine/wine64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  KERNEL_NO_32BIT="this machine's kernel does not run 32-bit programs (the 32-bit Wine loader fails with an exec format error)"
  mkdir -p "$BUILD/wine64-loader"
  # `wine-stable` too: winepath and the other tool scripts start their programs with it.
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$BUILD/wine64-loader/$name"
    chmod +x "$BUILD/wine64-loader/$name"
  done
  export PATH="$BUILD/wine64-loader:$PATH" WINELOADER=/usr/lib/wine/wine64
fi

# configure NAME [cmake args...]: configure and build one tree under $BUILD/NAME.
configure_and_build() {
  local name=$1; shift
  mkdir -p "$BUILD"
  cmake -S "$TOP" -B "$BUILD/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$BUILD/$name.configure.log" 2>&1 \
    || { cat "$BUILD/$name.configure.log"; return 1; }
  cmake --build "$BUILD/$name" -j "$JOBS"
}

# A Wine prefix of the project's own, made once. A prefix made before 32-bit Wine was installed
# cannot start a 32-bit program ("could not load kernel32.dll"): it is brought up to date once.
have_wine32() { dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; }
wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    if have_wine32; then touch "$WINEPREFIX/.tandem-wine32"; fi
  elif have_wine32 && [ ! -f "$WINEPREFIX/.tandem-wine32" ]; then
    wineboot -u >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.tandem-wine32"
  fi
}

# Whether this machine runs a 32-bit Windows program at all: a tiny one is built and started in
# the current prefix. On failure RUNS_32BIT_WHY says what was seen.
RUNS_32BIT_WHY=
runs_32bit() {
  local dir=$BUILD/probe32 rc
  mkdir -p "$dir"
  if ! have_wine32; then RUNS_32BIT_WHY="32-bit Wine (wine32:i386) is not installed"; return 1; fi
  if [ -n "$KERNEL_NO_32BIT" ]; then RUNS_32BIT_WHY=$KERNEL_NO_32BIT; return 1; fi
  printf 'int main(void) { return sizeof(void*) == 4 ? 42 : 1; }\n' >"$dir/probe.c"
  if ! i686-w64-mingw32-gcc -o "$dir/probe32.exe" "$dir/probe.c" 2>"$dir/cc.log"; then
    RUNS_32BIT_WHY="the 32-bit probe program did not compile"; return 1
  fi
  timeout 120 wine "$dir/probe32.exe" >"$dir/run.log" 2>&1
  rc=$?
  [ "$rc" -eq 42 ] && return 0
  RUNS_32BIT_WHY="a tiny 32-bit program ended with $rc: $(head -c 200 "$dir/run.log" | tr '\n' ' ')"
  return 1
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
