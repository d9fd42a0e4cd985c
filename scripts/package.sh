#!/usr/bin/env bash
# Builds the Debian package build/veltar-terminal_<version>_<arch>.deb from
# the build in build/, installing what that needs first. Fails when the
# package's dependencies on the Qt runtime could not be worked out: a package
# without them would install and then not start.
set -euo pipefail
cd "$(dirname "$0")/.."
# cpack works the dependencies out with dpkg-shlibdeps (dpkg-dev), which
# needs file.
bash scripts/setup.sh file dpkg-dev
bash scripts/build.sh

# A package left by an earlier run must not pass for this one.
rm -f build/veltar-terminal_*.deb
(cd build && cpack -G DEB)

shopt -s nullglob
debs=(build/veltar-terminal_*.deb)
if ((${#debs[@]} != 1)); then
  echo "package.sh: cpack made no package in build/" >&2
  exit 1
fi
deb=${debs[0]}
depends=$(dpkg-deb -f "$deb" Depends)
if [[ "$depends" != *libqt6* ]]; then
  echo "package.sh: $deb has no dependencies on the Qt libraries (Depends: ${depends:-none}); removed" >&2
  rm -f "$deb"
  exit 1
fi
echo "package.sh: $deb"
echo "Depends: $depends"
