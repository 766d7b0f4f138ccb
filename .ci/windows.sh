#!/usr/bin/env bash
# The Windows part of CI: cross-builds tessarine.exe and the unit tests with
# mingw-w64, runs the unit tests under Wine with a Japanese and with an
# English ANSI code page, and runs the GUI test under a virtual X display
# twice: on a Japanese system and on a default English one (a fresh prefix
# without font substitutions). The GUI test's expected output is the
# hand-written record file of the conversion tests (tests/data).
#
# Usage: .ci/windows.sh [POSIX_TESSARINE]
#   POSIX_TESSARINE  a native build's tessarine: the command line's output
#                    under Wine must equal it; without it a native build of
#                    the program is made here.
# Environment:
#   TESSARINE_WIN_BUILD    the cross build folder (default: build-win beside
#                          the sources)
#   TESSARINE_POSIX_BUILD  the native build folder used when no program is
#                          given (default: build-win-posix beside the sources)
#   TESSARINE_JOBS         parallel build jobs (default 2)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSARINE_WIN_BUILD:-$root/build-win}
posix_build=${TESSARINE_POSIX_BUILD:-$root/build-win-posix}
posix_program=${1:-}
jobs=${TESSARINE_JOBS:-2}
wine_loader=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

step() { echo "=== windows: $*"; }

# --- tools ------------------------------------------------------------------
packages=(g++-mingw-w64-x86-64-posix mingw-w64 wine64 xvfb xauth xdotool
  x11-utils fonts-ipafont-gothic imagemagick locales python3 cmake ninja-build)
need_install=0
for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres Xvfb \
  xvfb-run xauth xdotool xprop import convert localedef python3 cmake ninja; do
  command -v "$tool" >/dev/null || need_install=1
done
[[ -x "$wine_loader" ]] || need_install=1
[[ -f /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ]] || need_install=1
[[ -d /usr/share/i18n/locales ]] || need_install=1
if ((need_install)); then
  if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null; then
    step "installing ${packages[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
      --no-install-recommends "${packages[@]}"
  else
    echo "windows: missing tools; install: ${packages[*]}" >&2
    exit 1
  fi
fi

# --- cross build ------------------------------------------------------------
step "configuring $build"
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$wine_loader" \
  -DTESSARINE_BENCH=OFF >"$build/configure.log" 2>&1 ||
  {
    cat "$build/configure.log"
    exit 1
  }

step "building tessarine.exe and the unit tests"
# Everything of the project cross-builds: the program, its libraries and
# every test program.
cmake --build "$build" -j "$jobs"
[[ -f "$build/tessarine.exe" ]] || {
  echo "windows: no tessarine.exe was built" >&2
  exit 1
}

step "checking that tessarine.exe needs only the system's DLLs"
dlls=$(x86_64-w64-mingw32-objdump -p "$build/tessarine.exe" |
  awk '/DLL Name:/ { print tolower($3) }' | sort -u)
echo "$dlls"
for dll in $dlls; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | comdlg32.dll | msvcrt.dll | \
      advapi32.dll | shell32.dll | shlwapi.dll) ;;
    *)
      echo "windows: tessarine.exe needs $dll" >&2
      exit 1
      ;;
  esac
done

# --- Wine -------------------------------------------------------------------
# A private prefix in the build folder, a Japanese locale (code page 932 for
# the ANSI calls, UTF-8 names on the host) and a Japanese font.
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
export LOCPATH="$build/locale"
if [[ ! -d "$LOCPATH/ja_JP.UTF-8" ]]; then
  step "making the ja_JP.UTF-8 locale in $LOCPATH"
  mkdir -p "$LOCPATH"
  localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" ||
    [[ -f "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]]
fi
wine_env=(env LC_ALL=ja_JP.UTF-8)

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  step "making the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  timeout 300 "${wine_env[@]}" "$wine_loader" wineboot -i >/dev/null 2>&1 || {
    echo "windows: wineboot could not make the prefix" >&2
    exit 1
  }
  timeout 120 "$wineserver" -w || true
fi
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [[ ! -e "$fonts/ipag.ttf" ]]; then
  step "adding the Japanese font to the prefix"
  mkdir -p "$fonts"
  ln -sf /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$fonts/ipag.ttf"
  link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" \
    "Segoe UI"; do
    timeout 60 "${wine_env[@]}" "$wine_loader" reg add "$link" /v "$face" \
      /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f >/dev/null 2>&1 ||
      echo "windows: no font link for $face (boxes may lack Japanese text)"
  done
  for face in "MS Gothic" "MS UI Gothic" "MS Mincho"; do
    timeout 60 "${wine_env[@]}" "$wine_loader" reg add "$substitutes" \
      /v "$face" /d IPAGothic /f >/dev/null 2>&1 ||
      echo "windows: no font substitute for $face"
  done
  timeout 120 "$wineserver" -w || true
fi

# --- unit tests under Wine ----------------------------------------------------
# The window tests need a display: a virtual one of their own. Code page
# 932 and code page 1252 (C.UTF-8): the program's text must not depend on
# the ANSI code page.
for locale in ja_JP.UTF-8 C.UTF-8; do
  step "running the unit tests under Wine ($locale)"
  TESSARINE_REQUIRE_WINDOW=1 LC_ALL=$locale \
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    ctest --test-dir "$build" --output-on-failure --timeout 600
  "$wineserver" -k 2>/dev/null || true
done

# --- the GUI test ---------------------------------------------------------------
log="$root/tests/data/forum_sample.log"
expected="$root/tests/data/forum_sample.ren"
for setting in ja en; do
  step "GUI test under Xvfb ($setting)"
  bash "$root/tests/wine/gui_test.sh" "$build" "$setting" "$log" "$expected"
done

# --- the POSIX program, for the command line's expected output -------------
if [[ -z "$posix_program" ]]; then
  step "building the POSIX program in $posix_build"
  mkdir -p "$posix_build"
  cmake -S "$root" -B "$posix_build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARINE_BENCH=OFF \
    >"$posix_build/configure.log" 2>&1 ||
    {
      cat "$posix_build/configure.log"
      exit 1
    }
  cmake --build "$posix_build" -j "$jobs" --target tessarine
  posix_program="$posix_build/tessarine"
fi
posix_program=$(realpath "$posix_program")

step "command line under Xvfb"
bash "$root/tests/wine/command_line_test.sh" "$build" "$posix_program" \
  "$root/samples"
step "passed"
