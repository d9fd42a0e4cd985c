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
# Wine runs everyone as an administrator: a copy of the installer that takes
# the account for an ordinary user's shows the refusal.
ordinary_user_installer="$build/account-check.exe"
makensis -V1 -DVELTAR_ACCOUNT_TYPE=User "$(find "$build/_CPack_Packages" -name project.nsi | head -1)" \
  "-XOutFile $ordinary_user_installer"
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

# Wine's netsh and icacls are stubs that change nothing; with their fixme
# channel on they say how they were called, which is what is checked here.
# The firewall rule and the seal key's rights themselves are Windows' to
# keep (see README, "Installing it").
install_logged() {
  local log=$1
  shift
  WINEDEBUG=fixme+netsh,fixme+icacls "${wine[@]}" "$@" 2>"$log"
}
# Whether a stub was called with all these arguments, in one call; Wine
# writes each as L"…" with backslashes doubled.
called() {
  local log=$1 line arg
  shift
  while IFS= read -r line; do
    for arg in "$@"; do
      [[ $line == *"\"$arg\""* ]] || continue 2
    done
    return 0
  done < <(grep -a ':fixme:\(netsh\|icacls\):.*stub' "$log" | sed 's/\\\\/\\/g')
  return 1
}
data_dir="$WINEPREFIX/drive_c/Program Files/Orvalta"
# What an earlier run may have left in the prefix.
rm -rf "$data_dir" "$WINEPREFIX/drive_c/Weighing"

say "an ordinary user's account is refused before anything is written"
rc=0
"${wine[@]}" "$ordinary_user_installer" /S '/D=C:\Weighing\Veltar' || rc=$?
# 740, elevation required; Wine hands a Linux parent its low byte.
((rc == 740 % 256)) || { say "the installer for an ordinary user ended with $rc, not 740 (elevation required)"; exit 1; }
[ ! -e "$WINEPREFIX/drive_c/Weighing/Veltar" ] && [ ! -e "$data_dir" ] || { say "the refused installation wrote files"; exit 1; }

say "installing silently under Wine, into a folder of the operator's choice"
first_dir="$WINEPREFIX/drive_c/Weighing/First"
install_logged "$run/install-first.log" "$installer" /S '/D=C:\Weighing\First'
[ -f "$first_dir/bin/veltar-terminal.exe" ] || { say "the installer put no program in $first_dir"; exit 1; }
program='C:\Weighing\First\bin\veltar-terminal.exe'
called "$run/install-first.log" advfirewall firewall delete rule name=all dir=in "program=$program" &&
  called "$run/install-first.log" advfirewall firewall add rule dir=in action=allow "program=$program" \
    enable=yes profile=domain,private || { say "the installer added no firewall rule for $program"; exit 1; }
# The seal key: made by the installer, 32 bytes, owned by the Administrators
# and readable, not writable, by the Users.
[ "$(stat -c %s "$data_dir/Seal.key")" = 32 ] || { say "the installer made no seal key"; exit 1; }
called "$run/install-first.log" 'C:\Program Files\Orvalta\Seal.key' /setowner '*S-1-5-32-544' &&
  called "$run/install-first.log" 'C:\Program Files\Orvalta\Seal.key' /inheritance:r /grant:r \
    '*S-1-5-32-544:F' '*S-1-5-18:F' '*S-1-5-32-545:R' || { say "the installer left the seal key's rights alone"; exit 1; }
key=$(od -An -tx1 "$data_dir/Seal.key")

say "a folder inside the data directory is refused"
# /D= takes the rest of the command line, spaces and all, unquoted: Wine
# would quote an argument with a space, so a batch file passes it.
printf '%s /S /D=C:\\Program Files\\Orvalta\\Veltar\r\nexit /b %%errorlevel%%\r\n' \
  "Z:${installer//\//\\}" >"$run/inside.bat"
rc=0
"${wine[@]}" cmd /c "Z:${run//\//\\}\\inside.bat" >/dev/null || rc=$?
((rc == 2)) && [ ! -e "$data_dir/Veltar" ] || { say "the installer installed into the data directory ($rc)"; exit 1; }
[ -f "$first_dir/bin/veltar-terminal.exe" ] || { say "the refused installation removed the earlier one"; exit 1; }

say "installing into another folder: the earlier installation goes whole, its uninstaller too"
program_dir="$WINEPREFIX/drive_c/Weighing/Veltar"
install_logged "$run/install-moved.log" "$installer" /S '/D=C:\Weighing\Veltar'
[ -f "$program_dir/bin/veltar-terminal.exe" ] || { say "the installer put no program in $program_dir"; exit 1; }
[ ! -e "$first_dir" ] || { say "the earlier installation left $(find "$first_dir" | head -3 | tr '\n' ' ')"; exit 1; }
called "$run/install-moved.log" advfirewall firewall delete rule name=all dir=in "program=$program" ||
  { say "the firewall rules of the earlier folder stayed"; exit 1; }
[ "$(od -An -tx1 "$data_dir/Seal.key")" = "$key" ] || { say "installing again replaced the seal key"; exit 1; }

say "installing again over it: the earlier one goes, the folder stays"
"${wine[@]}" "$installer" /S || { say "installing over the installation failed"; exit 1; }
[ -f "$program_dir/bin/veltar-terminal.exe" ] || { say "the second installation left no program in $program_dir"; exit 1; }
[ ! -e "$WINEPREFIX/drive_c/Program Files/Veltar" ] || { say "the second installation forgot the chosen folder"; exit 1; }
[ -d "$data_dir" ] || { say "the installer made no data directory"; exit 1; }
ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/"*/"Вельтарские весы.lnk" >/dev/null ||
  { say "no Start-menu entry"; exit 1; }

# The same tests read the office link's API from the installed program (its
# Link.ini written before the start): Wine uses the host's sockets, so the
# Linux-side client reaches it on 127.0.0.1 and finds the simulator's weight.
# The loads' case also has the installed program write its lines into a
# PostgreSQL server the Linux side starts (its Database.ini written first).
# Left out: the site database's outage and kill case (it ends the program
# by SIGKILL, which reaches Wine's launcher rather than the program), the
# twenty terminals (Linux processes) and the office link under attack (it
# limits and reads the descriptors and memory of the Linux process it
# starts, which under Wine is the launcher).
say "weighing end to end with the installed program under Wine, its office link read over HTTP, its lines in PostgreSQL"
VELTAR_WINE_BARE=1 VELTAR_E2E_WINE_EXE="$program_dir/bin/veltar-terminal.exe" GTEST_OUTPUT="xml:$run/gtest-e2e/" \
  build/tests/end_to_end_tests --gtest_brief=0 \
  --gtest_filter='-EndToEnd.TheSiteDatabaseGetsEveryLineOnce*:EndToEnd.TwentyTerminals*:EndToEnd.TheOfficeLinkUnderAttack*'
check_skips "$run/gtest-e2e" 1 "the end-to-end test"

say "uninstalling: the program and its firewall rule go, the journals stay"
# The uninstaller copies itself away and works from there: wait for it.
install_logged "$run/uninstall.log" "$program_dir/Uninstall.exe" /S
for _ in $(seq 300); do [ -e "$program_dir/bin/veltar-terminal.exe" ] || break; sleep 0.1; done
[ ! -e "$program_dir/bin/veltar-terminal.exe" ] || { say "the uninstaller left the program"; exit 1; }
ls "$data_dir/"*.txt >/dev/null || { say "the uninstaller took the journals"; exit 1; }
"${wine[@]}" wineserver -w
called "$run/uninstall.log" advfirewall firewall delete rule name=all dir=in \
  'program=C:\Weighing\Veltar\bin\veltar-terminal.exe' || { say "the uninstaller left the firewall rule"; exit 1; }
say "all Windows checks passed in $((SECONDS - started)) s; $skips cases skipped, each for a reason on the list"
