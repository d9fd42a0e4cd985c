#!/usr/bin/env bash
# Installs what building and testing the terminal needs, from Debian's
# packages, and any further packages named as arguments; installs nothing
# when everything is already there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev libgtest-dev
  # The faces the window's layout is measured in (Times New Roman and Arial
  # metrics), and a fallback.
  fonts-liberation2 fonts-dejavu-core
  # Screenshots of the real window and reading printed reports back.
  xvfb x11-apps x11-utils poppler-utils
  # Google Benchmark, for bench/run.sh; the build skips the benchmarks without it.
  libbenchmark-dev
  # The office link's HTTP server library, and the real browser (driven
  # through its DevTools protocol from Debian's Python) that checks its
  # display page.
  libmicrohttpd-dev chromium python3-websocket
  # The site database: libpq's header to build against (the program loads
  # libpq5 only when the database is turned on), and a PostgreSQL server,
  # psql and openssl for the tests' throwaway clusters.
  libpq-dev postgresql postgresql-client openssl
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
