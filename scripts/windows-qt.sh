#!/usr/bin/env bash
# Installs the Windows cross toolchain, Wine and NSIS, and builds once the
# Windows Qt subset (from Debian's own qtbase source, the host's version, so the
# host's moc/rcc/uic serve), GoogleTest and libmicrohttpd (from Debian's
# source package, without TLS) into build-win/. Later runs find the stamps and
# do nothing. Called by scripts/windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD/build-win"
mkdir -p "$root"

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

packages=(
  cmake ninja-build dpkg-dev file
  g++-mingw-w64-x86-64-posix   # the posix thread model: Qt needs std::thread
  wine wine64 nsis
  xvfb openbox  # a display with a window manager for the window tests under Wine
  qt6-base-dev qt6-base-dev-tools  # the host tools (moc, rcc, uic) of the same version
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# apt-get source needs deb-src entries; Debian 12's images ship only deb ones.
src_list=/etc/apt/sources.list.d/veltar-deb-src.sources
need_update=0
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
    "${sudo_cmd[@]}" tee "$src_list" >/dev/null
  need_update=1
fi
if ((${#missing[@]})) || ((need_update)); then
  echo "windows: installing ${missing[*]:-(deb-src entries only)}"
  "${sudo_cmd[@]}" apt-get update -q
  if ((${#missing[@]})); then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
fi

# Debian's names for the posix-model MinGW compilers.
export CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix
toolchain="$PWD/cmake/mingw-w64-x86_64.cmake"

qt_prefix="$root/qt"
if [ ! -f "$qt_prefix/.complete" ]; then
  echo "windows: building the Qt subset for Windows into $qt_prefix (about 15 minutes, once)"
  rm -rf "$root/qt-src" "$root/qt-build" "$qt_prefix"
  mkdir -p "$root/qt-src"
  (cd "$root/qt-src" && apt-get source -q qt6-base >/dev/null)
  src=$(find "$root/qt-src" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
  [ -n "$src" ] || { echo "windows: apt-get source qt6-base gave no source tree" >&2; exit 1; }
  # Each option and why:
  #   tabletevent off: Debian's source lacks wintab.h;
  #   opengl off needs INPUT_opengl=no too, or dynamic OpenGL stays on;
  #   freetype and direct2d stay on: the offscreen plugin (tests) and
  #   PrintSupport's link need them.
  PKG_CONFIG_LIBDIR=/nonexistent cmake -S "$src" -B "$root/qt-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_pkg_config=OFF -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_testlib=ON -DFEATURE_widgets=ON \
    -DFEATURE_printsupport=ON -DFEATURE_tabletevent=OFF -DFEATURE_icu=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_doubleconversion=OFF >"$root/qt-configure.log" 2>&1 ||
    { tail -n 40 "$root/qt-configure.log" >&2; exit 1; }
  cmake --build "$root/qt-build" --parallel "$(nproc)" >"$root/qt-build.log" 2>&1 ||
    { tail -n 40 "$root/qt-build.log" >&2; exit 1; }
  cmake --install "$root/qt-build" >/dev/null
  rm -rf "$root/qt-build" "$root/qt-src"
  touch "$qt_prefix/.complete"
fi

gtest_prefix="$root/gtest"
if [ ! -f "$gtest_prefix/.complete" ]; then
  echo "windows: building GoogleTest for Windows into $gtest_prefix"
  rm -rf "$root/gtest-src" "$root/gtest-build" "$gtest_prefix"
  mkdir -p "$root/gtest-src"
  (cd "$root/gtest-src" && apt-get source -q googletest >/dev/null)
  src=$(find "$root/gtest-src" -maxdepth 1 -type d -name 'googletest-*' | head -n 1)
  [ -n "$src" ] || { echo "windows: apt-get source googletest gave no source tree" >&2; exit 1; }
  cmake -S "$src" -B "$root/gtest-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >"$root/gtest.log" 2>&1 ||
    { tail -n 40 "$root/gtest.log" >&2; exit 1; }
  cmake --build "$root/gtest-build" --parallel "$(nproc)" >>"$root/gtest.log" 2>&1 ||
    { tail -n 40 "$root/gtest.log" >&2; exit 1; }
  cmake --install "$root/gtest-build" >/dev/null
  rm -rf "$root/gtest-build" "$root/gtest-src"
  touch "$gtest_prefix/.complete"
fi

# libmicrohttpd for the office link, from Debian's source package, the same
# version as the Linux build's: a static library without TLS (the service is
# plain HTTP, and GnuTLS would be a second, larger library to build), linked
# into the program, so the installer carries no DLL for it.
mhd_prefix="$root/mhd"
if [ ! -f "$mhd_prefix/.complete" ]; then
  echo "windows: building libmicrohttpd for Windows into $mhd_prefix"
  rm -rf "$root/mhd-src" "$mhd_prefix"
  mkdir -p "$root/mhd-src"
  (cd "$root/mhd-src" && apt-get source -q libmicrohttpd >/dev/null)
  src=$(find "$root/mhd-src" -maxdepth 1 -type d -name 'libmicrohttpd-*' | head -n 1)
  [ -n "$src" ] || { echo "windows: apt-get source libmicrohttpd gave no source tree" >&2; exit 1; }
  (cd "$src" && ./configure --host=x86_64-w64-mingw32 --prefix="$mhd_prefix" \
    --enable-static --disable-shared --disable-https --disable-doc --disable-examples \
    --disable-curl --disable-nls --disable-dauth --disable-bauth --disable-postprocessor \
    --disable-httpupgrade --disable-sendfile --with-threads=auto) >"$root/mhd.log" 2>&1 ||
    { tail -n 40 "$root/mhd.log" >&2; exit 1; }
  make -C "$src/src/microhttpd" -j"$(nproc)" install >>"$root/mhd.log" 2>&1 &&
    make -C "$src/src/include" install >>"$root/mhd.log" 2>&1 ||
    { tail -n 40 "$root/mhd.log" >&2; exit 1; }
  cp "$src/COPYING" "$mhd_prefix/"
  rm -rf "$root/mhd-src"
  touch "$mhd_prefix/.complete"
fi

# apt-get source of PACKAGE into DIR: the version given first (the host's),
# else the newest whose source the archive serves (a security update's
# version may be listed before its source is on the mirror).
fetch_source() {
  local package=$1 dir=$2 preferred=${3:-} version
  rm -rf "$dir"
  mkdir -p "$dir"
  for version in $preferred $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
    if (cd "$dir" && apt-get source -q "$package=$version" >/dev/null 2>&1); then
      return 0
    fi
    rm -rf "${dir:?}"/*
  done
  echo "windows: apt-get source $package gave no source" >&2
  return 1
}

# libpq for the site database, cross-built from Debian's PostgreSQL source,
# with OpenSSL from Debian's source for TLS. Only the client library and
# what it needs are built; the program loads libpq.dll (and it the OpenSSL
# DLLs) from its own folder when the database is turned on.
pq_prefix="$root/libpq"
if [ ! -f "$pq_prefix/.complete" ]; then
  started_pq=$SECONDS
  rm -rf "$pq_prefix" "$root/ssl-build" "$root/pq-build"
  mkdir -p "$pq_prefix/include" "$pq_prefix/bin"

  echo "windows: building OpenSSL for Windows (for libpq's TLS)"
  fetch_source openssl "$root/ssl-src" "$(dpkg-query -W -f='${source:Version}' libssl3 2>/dev/null || true)"
  src=$(find "$root/ssl-src" -maxdepth 1 -type d -name 'openssl-*' | head -n 1)
  ssl_prefix="$root/ssl-build/install"
  # Shared libraries only, without the test programs, engines, the legacy
  # provider or loadable modules: what libpq's TLS needs. Configure puts the
  # prefix in front of CC, so it is given the bare names here (the exported
  # CC and CXX above already carry the prefix).
  (cd "$src" && ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- CC=gcc-posix CXX=g++-posix \
    shared no-tests no-engine \
    no-legacy no-module --prefix="$ssl_prefix" --libdir=lib >"$root/ssl.log" 2>&1 &&
    make -j"$(nproc)" build_libs >>"$root/ssl.log" 2>&1 && make install_dev >>"$root/ssl.log" 2>&1) ||
    { tail -n 40 "$root/ssl.log" >&2; exit 1; }
  echo "windows: OpenSSL built in $((SECONDS - started_pq)) s"

  echo "windows: building libpq for Windows"
  fetch_source postgresql-15 "$root/pq-src" "$(dpkg-query -W -f='${source:Version}' libpq5 2>/dev/null || true)"
  src=$(find "$root/pq-src" -maxdepth 1 -type d -name 'postgresql-*' | head -n 1)
  mkdir -p "$root/pq-build"
  (cd "$root/pq-build" && "$src/configure" --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix \
    --without-readline --without-zlib --without-icu --with-ssl=openssl \
    --with-includes="$ssl_prefix/include" --with-libraries="$ssl_prefix/lib" >"$root/pq.log" 2>&1 &&
    for part in src/include src/common src/port src/interfaces/libpq; do
      make -C "$part" -j"$(nproc)" >>"$root/pq.log" 2>&1 || exit 1
    done) || { tail -n 40 "$root/pq.log" >&2; exit 1; }
  cp "$src/src/interfaces/libpq/libpq-fe.h" "$src/src/include/postgres_ext.h" \
    "$root/pq-build/src/include/pg_config_ext.h" "$pq_prefix/include/"
  cp "$root/pq-build/src/interfaces/libpq/libpq.dll" "$ssl_prefix"/bin/lib*.dll "$pq_prefix/bin/"
  cp "$src/COPYRIGHT" "$pq_prefix/COPYRIGHT.postgresql"
  cp "$(find "$root/ssl-src" -maxdepth 2 -name LICENSE.txt | head -n 1)" "$pq_prefix/LICENSE.openssl"
  rm -rf "$root/ssl-src" "$root/ssl-build" "$root/pq-src" "$root/pq-build"
  touch "$pq_prefix/.complete"
  echo "windows: OpenSSL and libpq built in $((SECONDS - started_pq)) s"
fi
