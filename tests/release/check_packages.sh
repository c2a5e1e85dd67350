#!/usr/bin/env bash
# Checks the release zip that scripts/release.sh wrote into out/:
#   - it holds exactly the shipped files: the 32-bit build at its top, the 64-bit build in 64bit/,
#     each with its emulator, its WinKeyer bridge and the manual; in sorted order with one time
#     stamp, names readable in code page 932 and UTF-8, the manual as it is in docs/, the
#     getting-started text in CP932 with CRLF; packing the same builds again gives the same bytes;
#   - every program and library imports only system libraries (and the shipped hook library),
#     is of its folder's architecture, has no link time in its header, and each hook library has
#     its shared section;
#   - under Wine, in a fresh prefix, with the zip unpacked under a folder whose path holds spaces
#     and Japanese names, some ending in a character whose second byte in code page 932 is that of
#     '\': the version resources read back, and each build's Tandem runs from where it was
#     unpacked, driven by release_test.exe of its own architecture's test build.
#     TANDEM_SKIP_32BIT_RUN=1 (a machine that runs no 32-bit program) leaves out the 32-bit run,
#     and says so.
# Prints one line per failure and exits non-zero if there was any.
set -uo pipefail
. "$(dirname "$0")/../../scripts/common.sh"

failures=0
fail() { echo "package check: $*"; failures=$((failures + 1)); }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/release-x86_64/CMakeCache.txt" 2>/dev/null)
[ -n "$version" ] || { echo "package check: no release build in $BUILD/release-x86_64"; exit 1; }
WORK=$BUILD/release-check
rm -rf "$WORK"
mkdir -p "$WORK"
unpacked=$WORK/unpacked

# System libraries a shipped file may import (lower case); anything else, in particular the
# MinGW run-time DLLs (libgcc_s_*, libstdc++-6, libwinpthread-1), is a failure.
system_dlls=" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll advapi32.dll
  winmm.dll msvcrt.dll ole32.dll oleaut32.dll shlwapi.dll version.dll setupapi.dll imm32.dll "

zip="$TOP/out/Tandem-$version.zip"
if [ ! -f "$zip" ]; then
  echo "package check: $zip is missing"
  exit 1
fi
for old in "$TOP"/out/Tandem-*-win32.zip "$TOP"/out/Tandem-*-win64.zip; do
  [ -e "$old" ] && fail "$(basename "$old"): a zip of the former two-zip form is still in out/"
done

# The archive itself.
python3 - "$zip" "$TOP/docs" "$unpacked" <<'EOF' || fail "$(basename "$zip"): archive check failed"
import os, struct, sys, zipfile, zlib
zip_path, docs, dest = sys.argv[1:4]
bad = []
hajimeni = "\u306f\u3058\u3081\u306b.txt"
build = ["Tandem.exe", "TandemHook.dll", "Tandem.txt", "emulator/keyport.dll", "emulator/keyport_paddle.exe"]
with zipfile.ZipFile(zip_path, metadata_encoding="cp932") as z:
    infos = z.infolist()
    names = [i.filename for i in infos]
    want = {hajimeni} | set(build) | {"64bit/" + f for f in build}
    bridges = [n for n in names if n.startswith("winkeyer/") or n.startswith("64bit/winkeyer/")]
    extra = set(names) - want - set(bridges)
    if want - set(names) or extra:
        bad.append(f"entries {sorted(names)}; missing {sorted(want - set(names))}, unexpected {sorted(extra)}")
    if sorted(n[len("64bit/"):] for n in bridges if n.startswith("64bit/")) != sorted(n for n in bridges if n.startswith("winkeyer/")):
        bad.append("the WinKeyer bridges of the two builds differ in their files")
    if names != sorted(names, key=lambda n: n.encode("utf-8")):
        bad.append("entries are not in sorted order")
    if len({i.date_time for i in infos}) != 1:
        bad.append("entries carry different time stamps")
    for i in infos:
        if i.flag_bits & 0x800:
            bad.append(f"{i.filename}: name flagged UTF-8; Japanese Windows would read it in CP932")
        if not i.filename.isascii():
            raw = i.filename.encode("cp932")
            field = i.extra
            ok = False
            while len(field) >= 4:
                tag, size = struct.unpack("<HH", field[:4])
                body = field[4:4 + size]
                if tag == 0x7075 and body[0] == 1 and struct.unpack("<I", body[1:5])[0] == zlib.crc32(raw):
                    ok = body[5:].decode("utf-8") == i.filename
                field = field[4 + size:]
            if not ok:
                bad.append(f"{i.filename}: no matching UTF-8 name field")
    if z.testzip() is not None:
        bad.append("a damaged entry")
    if set(names) >= want:
        manual = open(os.path.join(docs, "Tandem.txt"), "rb").read()
        for m in ("Tandem.txt", "64bit/Tandem.txt"):
            if z.read(m) != manual:
                bad.append(f"{m} differs from docs/Tandem.txt")
        text = z.read(hajimeni)
        try:
            text.decode("cp932")
        except UnicodeDecodeError:
            bad.append(f"{hajimeni} is not CP932 text")
        if text.replace(b"\r\n", b"").find(b"\n") >= 0 or not text.endswith(b"\r\n"):
            bad.append(f"{hajimeni} has line ends other than CRLF")
        if b"64bit\\Tandem.exe" not in text:
            bad.append(f"{hajimeni} does not say where the 64-bit build is")
    z.extractall(dest)
for b in bad:
    print("  " + b)
sys.exit(1 if bad else 0)
EOF

# The same builds packed again give the same bytes.
epoch=$(python3 -c 'import sys, zipfile, calendar; print(calendar.timegm(zipfile.ZipFile(sys.argv[1]).infolist()[0].date_time))' "$zip")
if python3 "$TOP/scripts/package.py" --bin32 "$BUILD/release-i686/bin" --bin64 "$BUILD/release-x86_64/bin" \
     --docs "$TOP/docs" --epoch "$epoch" --out "$WORK/again.zip"; then
  cmp -s "$zip" "$WORK/again.zip" || fail "$(basename "$zip"): packing the same builds again gives other bytes"
else
  fail "$(basename "$zip"): packing again failed"
fi

# Each program and library, of its folder's architecture.
shipped=$(cd "$unpacked" && find . -iname '*.exe' -o -iname '*.dll' | sed 's|^\./||' | sort)
for f in $shipped; do
  case $f in 64bit/*) arch=x86_64 format=pei-x86-64 ;; *) arch=i686 format=pei-i386 ;; esac
  objdump="env LC_ALL=C $arch-w64-mingw32-objdump"
  path="$unpacked/$f"
  got=$($objdump -f "$path" | sed -n 's/.*file format //p')
  [ "$got" = "$format" ] || fail "$f: $got, not $format"
  headers=$(TZ=UTC $objdump -p "$path")
  grep -q $'^Time/Date\t\tThu Jan  1 00:00:00 1970' <<<"$headers" || fail "$f: a link time in its header"
  for dll in $(sed -n 's/^\tDLL Name: //p' <<<"$headers"); do
    lower=${dll,,}
    case $lower in libgcc* | libstdc++* | libwinpthread* | libssp*)
      fail "$f imports the MinGW run-time library $dll"; continue ;;
    esac
    if [[ "$system_dlls" == *" $lower "* ]]; then continue; fi
    # A shipped library in the same folder, e.g. the hook library beside Tandem.exe.
    if [ -e "$(dirname "$path")/$dll" ]; then continue; fi
    fail "$f imports $dll, which is not a system library"
  done
done
for hook in TandemHook.dll 64bit/TandemHook.dll; do
  arch=i686; [ "$hook" = 64bit/TandemHook.dll ] && arch=x86_64
  env LC_ALL=C $arch-w64-mingw32-objdump -h "$unpacked/$hook" | grep -A1 -E '^ +[0-9]+ \.shared ' | grep -q 'SHARED' \
    || fail "$hook has no shared data section"
done

# Under Wine: a fresh prefix, the zip unpacked under a path with spaces and Japanese names.
driver64=$BUILD/x86_64/bin/release_test.exe
driver32=$BUILD/i686/bin/release_test.exe
export WINEPREFIX=$WORK/prefix
wine_prefix
base="$WINEPREFIX/drive_c/Tandem テスト/一覧表/無線 ツール十"
win_base='C:\Tandem テスト\一覧表\無線 ツール十'
mkdir -p "$base"
cp -r "$unpacked" "$base/Tandem 表"
win_top="$win_base\\Tandem 表"
start_display
trap stop_display EXIT
# run_driver DRIVER RUN-FOLDER: the version resources of every shipped file, and Tandem run from
# RUN-FOLDER.
run_driver() {
  (cd "$WORK" && TANDEM_RELEASE="$win_top" TANDEM_RELEASE_RUN="$2" timeout 600 wine "$1")
}
# The 64-bit build first: its run looks for settings files beside its folder, where the 32-bit
# run then writes its own.
if [ ! -f "$driver64" ]; then
  fail "no $driver64 (build the x86_64 tree with its tests)"
else
  run_driver "$driver64" "$win_top\\64bit" || fail "the 64-bit build's run failed under Wine"
fi
if [ "${TANDEM_SKIP_32BIT_RUN:-}" = 1 ]; then
  echo "package check: the 32-bit build's run was skipped: this machine runs no 32-bit program"
elif [ ! -f "$driver32" ]; then
  fail "no $driver32 (build the i686 tree with its tests)"
else
  run_driver "$driver32" "$win_top" || fail "the 32-bit build's run failed under Wine"
fi
stop_display

if [ "$failures" -eq 0 ]; then echo "package check: the zip passed"; fi
[ "$failures" -eq 0 ]
