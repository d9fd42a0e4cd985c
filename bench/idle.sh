#!/usr/bin/env bash
# The terminal's idle cost against its floor: a bare Qt window with one label,
# one text box and a 300 ms timer (build-bench/bench/veltar-bench-bare), and
# the same window with the terminal's 50 ms read delay as a second timer. All
# run side by side under one Xvfb while the simulated own scale streams a
# frame every 100 ms, first of an empty scale (nothing on screen changes),
# then of a load that keeps moving (the weight is drawn anew, and the window
# draws a new text every tick). Their CPU time (all threads, from
# /proc/PID/task/*/schedstat) is counted over the same interval after a
# warm-up. A shared machine moves all figures; their ratios move far less.
#
#   bash bench/idle.sh             60 s each, after 10 s of warm-up
#   bash bench/idle.sh SECONDS     counted over SECONDS instead
#
# Builds what it runs in build-bench (Release), or uses BENCH_BUILD when set.
# The figures go to standard error; standard output gets two rows of the
# table bench/run.sh prints.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
window=${1:-60}
warmup=10
if ! [[ "$window" =~ ^[0-9]+$ ]] || ((window == 0)); then
  sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi

say() { echo "idle: $*" >&2; }

build=${BENCH_BUILD:-"$root/build-bench"}
if [[ -z "${BENCH_BUILD:-}" ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  make -C "$build" -j"${BENCH_JOBS:-2}" veltar-terminal veltar-scale-sim veltar-bench-bare >/dev/null
fi
if ! command -v Xvfb >/dev/null; then
  say "Xvfb is needed (Debian: xvfb)"
  exit 1
fi

source "$root/bench/scratch.sh" idle

Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  sleep 0.05
done
if [[ ! -s "$work/display" ]]; then
  say "Xvfb did not start"
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM

# Nanoseconds on the CPU of all the process's threads (Qt's X connection has
# one of its own); /proc/PID/stat counts only in clock ticks, too coarse for
# a window that idles.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%d\n", s }'; }

# side_by_side NAME SCRIPT_LINE [BARE_ARGUMENTS]: the terminal on the
# simulator playing SCRIPT_LINE, the bare window and the bare window with the
# terminal's second timer, counted together; adds a cell of the table row.
side_by_side() {
  local name=$1 line=$2 bare_args=${3:-} data="$work/$1" sim terminal bare bare2 pid t1 t2 b1 b2 c1 c2
  mkdir -p "$data/Orvalta"
  printf '%s\n' "$line" >"$work/$name.txt"
  "$build/bin/veltar-scale-sim" --link "$data/Orvalta/com1" --script "$work/$name.txt" --loop \
    </dev/null 2>"$work/$name-sim.log" &
  sim=$!
  pids+=("$sim")
  for _ in $(seq 100); do
    [[ -L "$data/Orvalta/com1" ]] && break
    sleep 0.05
  done
  XDG_DATA_HOME="$data" "$build/bin/veltar-terminal" >"$work/$name-terminal.log" 2>&1 &
  terminal=$!
  pids+=("$terminal")
  # shellcheck disable=SC2086  # no arguments or one
  "$build/bench/veltar-bench-bare" $bare_args >"$work/$name-bare.log" 2>&1 &
  bare=$!
  pids+=("$bare")
  # shellcheck disable=SC2086
  "$build/bench/veltar-bench-bare" $bare_args --read-delay >"$work/$name-bare2.log" 2>&1 &
  bare2=$!
  pids+=("$bare2")

  say "$name: warming up for $warmup s, then counting for $window s on $DISPLAY"
  sleep "$warmup"
  for pid in "$terminal" "$bare" "$bare2" "$sim"; do
    if ! kill -0 "$pid" 2>/dev/null; then
      cat "$work/$name"-*.log >&2
      say "$name: a process ended during the warm-up"
      exit 1
    fi
  done
  if ! grep -q 'the port was opened' "$work/$name-sim.log"; then
    say "$name: the terminal never opened the simulator's port"
    exit 1
  fi
  t1=$(cpu_ns "$terminal") b1=$(cpu_ns "$bare") c1=$(cpu_ns "$bare2")
  sleep "$window"
  t2=$(cpu_ns "$terminal") b2=$(cpu_ns "$bare") c2=$(cpu_ns "$bare2")
  stop "$terminal"
  stop "$bare"
  stop "$bare2"
  stop "$sim"
  if [[ -n "$(find "$data/Orvalta" -name '*.txt')" ]]; then
    say "$name: the terminal recorded a weighing; the figure includes file writes"
  fi

  local terminal_s bare_s bare2_s ratio ratio2
  read -r terminal_s bare_s bare2_s ratio ratio2 < <(awk -v t="$((t2 - t1))" -v b="$((b2 - b1))" -v c="$((c2 - c1))" \
    'function r(x, y) { return y > 0 ? sprintf("%.2f", x / y) : "n/a" }
     BEGIN { printf "%.3f %.3f %.3f %s %s\n", t / 1e9, b / 1e9, c / 1e9, r(t, b), r(t, c) }')
  say "$name: in $window s terminal $terminal_s s CPU, bare window $bare_s s (${ratio}x), with the read delay $bare2_s s (${ratio2}x)"
  row+=("terminal ${terminal_s} s · bare window ${bare_s} s (${ratio}×) · with the read delay ${bare2_s} s (${ratio2}×)")
}

row=()
# An empty scale: steady frames of 0.00, below the minimum weight, so the
# detector never records; nothing on screen changes, and the window's timer
# puts an unchanged text.
side_by_side steady '3600 0'
# A load that keeps moving: the weight is drawn anew at most polls (never
# steady, so never recorded); the window draws a new text every tick.
side_by_side moving '3600 12.5 0.1' --changing

how="CPU seconds in ${window} s after ${warmup} s, side by side under one Xvfb; the simulator streams a frame every 100 ms; the window has one label, one text box and a 300 ms timer, and with the read delay also a 50 ms single shot at every tick (bench/idle.sh)"
echo "| Idle CPU against a bare Qt window, own scale, empty scale | ${row[0]} | ${how} |"
echo "| Idle CPU against a bare Qt window, own scale, moving load | ${row[1]} | as above; the weight and the window's text change at every tick |"
