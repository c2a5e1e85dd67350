#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root).
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(cmake make wine wine64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 xvfb xauth x11-utils
          xdotool locales googletest libgtest-dev fonts-ipafont-gothic imagemagick clang libclang-rt-14-dev
          python3)
# wine32 must not be installed: the wine launcher would then pick the 32-bit loader,
# and this machine cannot run 32-bit code.
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
