#!/usr/bin/env bash
# Runs a Windows program of this project under Wine, in the project's own
# prefix (build-win/wine) with the Windows Qt and MinGW runtime on its PATH.
# CTest uses it as the emulator of the Windows build; windows.sh and the
# end-to-end test call it directly.
#   wine-run.sh PROGRAM [ARGS]     PROGRAM under Wine
#   wine-run.sh wineserver ARGS    the prefix's server (-k ends it and all its programs)
# VELTAR_WINE_BARE=1 leaves the build's DLL folders off the PATH, so that an
# installed program runs on what its installer put beside it alone.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build-win/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: their install prompts would wait for a click.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ "${1:-}" = wineserver ]; then
  shift
  exec /usr/lib/wine/wineserver "$@"
fi
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_dll=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
winpath() { printf 'Z:%s' "${1//\//\\}"; }
if [ "${VELTAR_WINE_BARE:-0}" = 1 ]; then
  unset WINEPATH
else
  export WINEPATH="$(winpath "$here/build-win/qt/bin");$(winpath "$gcc_dlls");$(winpath "$pthread_dll")"
fi
# Debian 12 ships the 64-bit loader without a wine64 command.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
exec "$wine" "$@"
