#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root).
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(cmake make wine wine64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 xvfb xauth x11-utils
          xdotool locales googletest libgtest-dev fonts-ipafont-gothic imagemagick clang libclang-rt-14-dev
          python3)
# 32-bit Wine (wine32:i386) is installed further down, on its own: the 32-bit build is the one
# operators run, and the tests run it too wherever the machine can.
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: the ja_JP.UTF-8 locale is missing; run as root to generate it" >&2
    exit 1
  fi
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# 32-bit Wine. Not having it never fails the set-up: the test command then says on a line of its
# own that the 32-bit run was skipped.
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
install_wine32() {
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q || true   # one index that fails to download must not stop the rest
  apt-get install -y -q --no-install-recommends wine32:i386 && return 0
  # apt refuses when a multi-arch library is installed for amd64 at a version that the i386 index
  # does not have (an i386 index of the security archive can be missing). Bring each such library
  # to the i386 candidate's version for both architectures, one pair at a time, until none is left.
  local round name v_amd64 v_i386 moved
  for round in $(seq 20); do
    moved=0
    for name in $(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
                    --no-breaks --no-replaces --no-enhances wine32:i386 2>/dev/null \
                  | grep -E '^[a-z0-9][^ <>]*:i386$' | sed 's/:i386$//' | sort -u); do
      have_pkg "$name:amd64" || continue
      apt-cache show "$name:i386" 2>/dev/null | grep -q '^Multi-Arch: same' || continue
      v_amd64=$(dpkg-query -W -f='${Version}' "$name:amd64" 2>/dev/null)
      v_i386=$(apt-cache policy "$name:i386" 2>/dev/null | sed -n 's/^ *Candidate: //p')
      [ -n "$v_i386" ] && [ "$v_i386" != "(none)" ] && [ "$v_i386" != "$v_amd64" ] || continue
      echo "setup: $name at $v_i386 for amd64 and i386, as 32-bit Wine needs"
      apt-get install -y -q --no-install-recommends --allow-downgrades \
        "$name:amd64=$v_i386" "$name:i386=$v_i386" && moved=1
    done
    apt-get install -y -q --no-install-recommends wine32:i386 && return 0
    [ "$moved" -eq 1 ] || return 1
  done
  return 1
}
if [ "${TANDEM_NO_WINE32:-0}" != 1 ] && ! have_pkg wine32:i386; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: 32-bit Wine (wine32:i386) is missing; run as root to install it" >&2
  elif ! install_wine32; then
    echo "setup: 32-bit Wine could not be installed; the 32-bit build will not be run" >&2
  fi
  # A pin on the way there once removed the 64-bit loader.
  if ! have_pkg wine64; then
    apt-get install -y -q --no-install-recommends wine64 wine
  fi
fi
