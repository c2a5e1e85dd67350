#!/usr/bin/env bash
# Builds the release: both architectures in release mode, packed into one zip for every
# operator, out/Tandem-<version>.zip: the 32-bit build at its top (the one the loggers and the
# keying interface's library need) and the 64-bit build in 64bit/. The version is the CMake
# project version. The same source gives the same bytes: the programs carry no link time or
# build paths, and the zips hold their entries in sorted order with one time stamp, the time of
# the last commit (SOURCE_DATE_EPOCH overrides it).
set -euo pipefail
. "$(dirname "$0")/common.sh"
bash "$TOP/scripts/setup.sh"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$TOP" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi

# Build paths stay out of the programs, so that another checkout gives the same bytes.
prefix_map="-ffile-prefix-map=$TOP/=/tandem/ -ffile-prefix-map=$BUILD/=/build/"

mkdir -p "$BUILD"
version=
for arch in i686 x86_64; do
  echo "== release build $arch"
  configure_and_build "release-$arch" -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTANDEM_TESTS=OFF -DTANDEM_BENCH=OFF \
    -DCMAKE_C_FLAGS="$prefix_map" -DCMAKE_CXX_FLAGS="$prefix_map" >"$BUILD/release-$arch.build.log" 2>&1 \
    || { tail -40 "$BUILD/release-$arch.build.log"; echo "release: the $arch build failed" >&2; exit 1; }
  v=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/release-$arch/CMakeCache.txt")
  if [ -z "$v" ] || { [ -n "$version" ] && [ "$v" != "$version" ]; }; then
    echo "release: no project version in the $arch build" >&2; exit 1
  fi
  version=$v
done

OUT=$TOP/out
mkdir -p "$OUT"
# Zips of the former two-zip form would be mistaken for this release's.
rm -f "$OUT"/Tandem-*-win32.zip "$OUT"/Tandem-*-win64.zip
zip="$OUT/Tandem-$version.zip"
python3 "$TOP/scripts/package.py" --bin32 "$BUILD/release-i686/bin" --bin64 "$BUILD/release-x86_64/bin" \
  --docs "$TOP/docs" --epoch "$SOURCE_DATE_EPOCH" --out "$zip"
echo "$zip"
python3 - "$zip" <<'EOF'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], metadata_encoding="cp932") as z:
    for i in z.infolist():
        print(f"  {i.file_size:>9}  {i.filename}")
EOF
echo "  $(stat -c %s "$zip") bytes, sha256 $(sha256sum "$zip" | cut -d' ' -f1)"
