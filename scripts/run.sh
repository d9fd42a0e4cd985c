#!/usr/bin/env bash
# Sets up, builds and starts the terminal.
#
#   bash scripts/run.sh                     a scale linked as com1..com8 in the real
#                                           data directory: the real terminal;
#                                           otherwise the scale simulator
#   bash scripts/run.sh --real              the real data directory regardless
#   bash scripts/run.sh --simulate [veltar|aed]
#                                           the simulator regardless
#
# The simulator runs in a scratch data directory, build/sim-data/Orvalta, so
# that the operator's settings and journals are never touched by a simulated
# session.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

mode=""
kind=veltar
while (($#)); do
  case "$1" in
    --real) mode=real ;;
    --simulate)
      mode=simulate
      if (($# > 1)) && [[ "$2" == veltar || "$2" == aed ]]; then
        kind="$2"
        shift
      fi
      ;;
    -h | --help) usage ;;
    *) echo "run.sh: unknown argument $1" >&2; usage ;;
  esac
  shift
done

# The terminal's own rule: $XDG_DATA_HOME/Orvalta, else ~/.local/share/Orvalta.
real_data="${XDG_DATA_HOME:-$HOME/.local/share}/Orvalta"
if [[ -z "$mode" ]]; then
  mode=simulate
  for n in 1 2 3 4 5 6 7 8; do
    if [[ -L "$real_data/com$n" ]]; then
      mode=real
      break
    fi
  done
fi

# Without a display Qt would only abort with its platform-plugin message,
# after the whole build. A platform that needs none (offscreen, vnc, ...) is
# the user's choice.
has_display() {
  local platform platforms
  IFS=';' read -ra platforms <<<"${QT_QPA_PLATFORM:-}"
  ((${#platforms[@]})) || platforms=(xcb wayland)
  for platform in "${platforms[@]}"; do
    case "$platform" in
      xcb*) [[ -n "${DISPLAY:-}" ]] && return 0 ;;
      wayland*) [[ -n "${WAYLAND_DISPLAY:-}" ]] && return 0 ;;
      *) return 0 ;;
    esac
  done
  return 1
}
if ! has_display; then
  echo "run.sh: no display found (DISPLAY and WAYLAND_DISPLAY are empty); on a machine without a screen run it under Xvfb, xvfb-run -a bash scripts/run.sh, or off screen, QT_QPA_PLATFORM=offscreen bash scripts/run.sh" >&2
  exit 1
fi

sim_home="$PWD/build/sim-data"
sim_link="$sim_home/Orvalta/com1"
if [[ "$mode" == real ]]; then
  echo "run.sh: real mode: the terminal with its data directory $real_data"
else
  if [[ "$kind" == aed ]]; then
    hint='; choose "AED 9101B" in "Настройки" → "Весы"'
  else
    hint=""
  fi
  echo "run.sh: simulated mode: the $kind scale simulator on com1, data in build/sim-data/Orvalta$hint"
fi

bash scripts/setup.sh
bash scripts/build.sh

if [[ "$mode" == real ]]; then
  exec build/bin/veltar-terminal
fi

export XDG_DATA_HOME="$sim_home"
mkdir -p "$sim_home/Orvalta"
# A link left by a simulator that was killed outright would pass for a ready
# one below.
if [[ -L "$sim_link" ]]; then
  rm -f "$sim_link"
fi

# Weights typed here (12.5, s, q) reach the simulator while the window runs.
build/bin/veltar-scale-sim --kind "$kind" <&0 &
sim_pid=$!
stop_sim() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
}
trap stop_sim EXIT

for _ in $(seq 50); do
  [[ -L "$sim_link" ]] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run.sh: the scale simulator did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if [[ ! -L "$sim_link" ]]; then
  echo "run.sh: the scale simulator made no link $sim_link" >&2
  exit 1
fi

status=0
build/bin/veltar-terminal || status=$?
exit "$status"
