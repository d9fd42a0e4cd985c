#!/usr/bin/env bash
# The Windows version, built and checked on this Debian machine.
#
#   bash scripts/windows.sh                   all of it: the toolchain, Wine and the
#                                             Windows Qt (once, cached in build-win/),
#                                             the build, its tests under Wine, the
#                                             installer, and a weighing end to end by
#                                             the installed program under Wine
#   bash scripts/windows.sh --installer-only  the build and the installer, no checks
#
# Exits non-zero on any failure. The installer is
# build-win/build/veltar-terminal-<version>-win64.exe.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

checks=1
case "${1:-}" in
  "") ;;
  --installer-only) checks=0 ;;
  -h | --help) usage ;;
  *) echo "windows.sh: unknown argument $1" >&2; usage ;;
esac

say() { printf 'windows: %s\n' "$*"; }
started=$SECONDS

bash scripts/windows-qt.sh
root="$PWD/build-win"
build="$root/build"
say "building the terminal and its tests for Windows in $build"
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$root/qt;$root/gtest" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/scripts/wine-run.sh" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

say "making the installer"
rm -f "$build"/veltar-terminal-*-win64.exe
(cd "$build" && cpack -G NSIS >/dev/null)
installer=$(ls "$build"/veltar-terminal-*-win64.exe)
say "installer: $installer ($(du -h "$installer" | cut -f1))"
if ((!checks)); then
  exit 0
fi

# The Linux side plays the scale: the simulator and the end-to-end driver
# come from the Linux build.
bash scripts/setup.sh
bash scripts/build.sh

export WINEPREFIX="$root/wine"
wine=(bash scripts/wine-run.sh)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "making the Wine prefix $WINEPREFIX"
  "${wine[@]}" wineboot -i >/dev/null 2>&1
fi

run="$root/run"
rm -rf "$run"
mkdir -p "$run"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "${wine[@]}" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# Maps a COM port of the prefix to a device; Wine reads the mapping when its
# server starts.
map_port() {
  "${wine[@]}" reg add 'HKLM\Software\Wine\Ports' /v "$1" /t REG_SZ /d "$2" /f >/dev/null
  "${wine[@]}" wineserver -k 2>/dev/null || true
}

# The serial port's own tests talk to an AED simulator holding 10 kg on
# COM12 (a port above 9, which Windows names only with the device prefix),
# and end it through a file when they want the line to hang up.
mkfifo "$run/sim-in"
build/bin/veltar-scale-sim --kind aed --link "$run/com12" <"$run/sim-in" 2>"$run/sim.log" &
sim=$!
pids+=("$sim")
exec 3>"$run/sim-in"
echo 10 >&3
for _ in $(seq 50); do [ -L "$run/com12" ] && break; sleep 0.1; done
[ -L "$run/com12" ] || { say "the scale simulator made no link"; cat "$run/sim.log" >&2; exit 1; }
map_port COM12 "$(readlink "$run/com12")"
(
  while [ ! -e "$run/hang-up" ]; do sleep 0.1; done
  kill "$sim" 2>/dev/null
) &
pids+=("$!")
export VELTAR_TEST_COM=12
VELTAR_TEST_COM_STOP="Z:${run//\//\\}\\hang-up"
export VELTAR_TEST_COM_STOP

# A real display, for the window tests under Windows' own platform plugin
# and for the installed program, whose end is asked for by WM_CLOSE.
display=:97
Xvfb "$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
pids+=("$!")
export DISPLAY=$display
# Without a window manager Wine takes seconds over every window closed.
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=("$!")

# No PDF reader runs as a Windows program: the report tests leave their PDFs
# here and this side reads them with poppler's tools (ReportPrinterTest.cpp
# says how).
pdfs="$run/pdf"
mkdir -p "$pdfs"
(
  cd "$pdfs"
  while :; do
    for ask in *.ask; do
      [ -e "$ask" ] || continue
      name=${ask%.ask}
      mapfile -t command < <(tr -d '\r' <"$ask")
      case ${command[0]} in pdftotext | pdfinfo) ;; *) command=(false) ;; esac
      rc=0
      "${command[@]}" >"$name.out" 2>"$name.err" || rc=$?
      echo "$rc" >"$name.tmp" && mv "$name.tmp" "$name.done" && mv "$ask" "$name.asked"
    done
    sleep 0.1
  done
) &
pids+=("$!")
export VELTAR_PDF_READER="Z:${pdfs//\//\\}"

# Skips that hold for a reason under Wine; any other skip fails the check.
explained_skips=(
  # Qt for Windows is built without ICU: no windows-1251 decoder of Qt's to
  # compare the table with (the Linux run compares it).
  'Cp1251.EveryByteAgreesWithQtAndRoundTrips'
)
skips=0
# Counts the skipped cases in the GoogleTest reports in folder $1, which
# must hold $2 reports, and fails on one not explained above.
check_skips() {
  local name pattern reports count=0 unexplained=0
  reports=$(find "$1" -maxdepth 1 -name '*.xml' | wc -l)
  if ((reports != $2)); then
    say "$reports test reports in $1, not $2"
    return 1
  fi
  while IFS= read -r name; do
    count=$((count + 1))
    for pattern in "${explained_skips[@]}"; do
      # shellcheck disable=SC2053 # the pattern is a glob
      [[ $name == $pattern ]] && continue 2
    done
    say "skipped without a reason on the list: $name"
    unexplained=$((unexplained + 1))
  done < <(sed -n 's/.*<testcase name="\([^"]*\)".*result="skipped".*classname="\([^"]*\)".*/\2.\1/p' "$1"/*.xml)
  skips=$((skips + count))
  say "$count cases skipped ($3)"
  ((unexplained == 0))
}

say "running the tests under Wine"
mkdir -p "$run/gtest"
GTEST_OUTPUT="xml:Z:${run//\//\\}\\gtest\\" ctest --test-dir "$build" --output-on-failure -j "$(nproc)" |
  tee "$run/ctest.log"
# One report per GoogleTest binary; the fuzz corpus replays are no such binary.
check_skips "$run/gtest" "$(ctest --test-dir "$build" -N -E '^fuzz_corpus_' | sed -n 's/^Total Tests: //p')" "the tests under Wine"
exec 3>&-

# CTest draws off screen; activation is the platform's own business, so the
# window tests run once more with Windows' platform plugin on the display.
say "the window tests again with the windows platform plugin"
mkdir -p "$run/gtest-windows"
for binary in ui_tests dialog_tests; do
  QT_QPA_PLATFORM=windows GTEST_OUTPUT="xml:Z:${run//\//\\}\\gtest-windows\\" \
    "${wine[@]}" "$build/tests/$binary.exe" --gtest_brief=1
done
check_skips "$run/gtest-windows" 2 "the window tests with the windows platform plugin"

say "installing silently under Wine, into a folder of the operator's choice"
program_dir="$WINEPREFIX/drive_c/Weighing/Veltar"
"${wine[@]}" "$installer" /S '/D=C:\Weighing\Veltar'
[ -f "$program_dir/bin/veltar-terminal.exe" ] || { say "the installer put no program in $program_dir"; exit 1; }
say "installing again over it: the earlier one goes, the folder stays"
"${wine[@]}" "$installer" /S || { say "installing over the installation failed"; exit 1; }
[ -f "$program_dir/bin/veltar-terminal.exe" ] || { say "the second installation left no program in $program_dir"; exit 1; }
[ ! -e "$WINEPREFIX/drive_c/Program Files/Veltar" ] || { say "the second installation forgot the chosen folder"; exit 1; }
[ -d "$WINEPREFIX/drive_c/Program Files/Orvalta" ] || { say "the installer made no data directory"; exit 1; }
ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/"*/"Вельтарские весы.lnk" >/dev/null ||
  { say "no Start-menu entry"; exit 1; }

# The same tests read the office link's API from the installed program (its
# Link.ini written before the start): Wine uses the host's sockets, so the
# Linux-side client reaches it on 127.0.0.1 and finds the simulator's weight.
# The loads' case also has the installed program write its lines into a
# PostgreSQL server the Linux side starts (its Database.ini written first).
# Left out: the site database's outage and kill case (it ends the program
# by SIGKILL, which reaches Wine's launcher rather than the program) and
# the twenty terminals (Linux processes).
say "weighing end to end with the installed program under Wine, its office link read over HTTP, its lines in PostgreSQL"
VELTAR_WINE_BARE=1 VELTAR_E2E_WINE_EXE="$program_dir/bin/veltar-terminal.exe" GTEST_OUTPUT="xml:$run/gtest-e2e/" \
  build/tests/end_to_end_tests --gtest_brief=0 \
  --gtest_filter='-EndToEnd.TheSiteDatabaseGetsEveryLineOnce*:EndToEnd.TwentyTerminals*'
check_skips "$run/gtest-e2e" 1 "the end-to-end test"

say "uninstalling: the program goes, the journals stay"
# The uninstaller copies itself away and works from there: wait for it.
"${wine[@]}" "$program_dir/Uninstall.exe" /S
for _ in $(seq 300); do [ -e "$program_dir/bin/veltar-terminal.exe" ] || break; sleep 0.1; done
[ ! -e "$program_dir/bin/veltar-terminal.exe" ] || { say "the uninstaller left the program"; exit 1; }
ls "$WINEPREFIX/drive_c/Program Files/Orvalta/"*.txt >/dev/null || { say "the uninstaller took the journals"; exit 1; }
say "all Windows checks passed in $((SECONDS - started)) s; $skips cases skipped, each for a reason on the list"
