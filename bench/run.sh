#!/usr/bin/env bash
# Builds the benchmarks and the terminal in build-bench (Release), runs them,
# and prints one markdown table of the figures and the machine they came from.
#
#   bash bench/run.sh           everything, about ten minutes
#   bash bench/run.sh --quick   shorter live runs, to try the script out
#
# In-process figures come from Google Benchmark (Debian: libbenchmark-dev).
# Start-up, memory and idle CPU come from the real terminal under Xvfb, with
# the scale simulator linked as com1 in a scratch data directory; without
# Xvfb those runs go off screen. Start-up is timed only where the window can
# be seen appearing: xev and xprop (Debian: x11-utils), else xdotool.
# Progress goes to standard error, the table to standard output. Nothing here
# passes or fails on a time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="$root/build-bench"

startup_runs=7
idle_warmup=30   # seconds of polling before the CPU is counted
idle_window=30   # seconds over which it is counted; memory is read at the end
floor_window=60  # seconds of each side-by-side run against a bare window
repetitions=5
link_window=30   # seconds of each phase of the office link's run
site_window=30   # seconds of each phase of the site database's run
case "${1:-}" in
  --quick) startup_runs=3 idle_warmup=5 idle_window=5 floor_window=5 repetitions=2 link_window=5 site_window=10 ;;
  "") ;;
  *) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
esac

say() { echo "bench: $*" >&2; }

# --- Build -------------------------------------------------------------------

bash scripts/setup.sh >&2

targets=(veltar-terminal veltar-scale-sim veltar-bench-poll veltar-bench-journal veltar-bench-render
         veltar-bench-settings veltar-bench-bare veltar-bench-link veltar-bench-site veltar-bench-seal-check)
say "configuring and building ${targets[*]} in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
if ! make -C "$build" help | grep 'veltar-bench-poll' >/dev/null; then
  say "Google Benchmark is not installed (Debian: libbenchmark-dev); nothing to run"
  exit 1
fi
make -C "$build" -j"${BENCH_JOBS:-2}" "${targets[@]}" >/dev/null

# --- Scratch space and the processes started here ----------------------------

source "$root/bench/scratch.sh" bench

# --- In-process benchmarks ---------------------------------------------------

run_bench() {
  local name=$1
  shift
  say "running $name"
  if ! TMPDIR="$work" "$build/bench/$name" --benchmark_out="$work/$name.csv" --benchmark_out_format=csv \
      "$@" >/dev/null 2>"$work/$name.err"; then
    cat "$work/$name.err" >&2
    say "$name failed"
    exit 1
  fi
  if grep -q ',true,' "$work/$name.csv"; then
    grep ',true,' "$work/$name.csv" >&2
    say "$name reported an error"
    exit 1
  fi
}

aggregates=(--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true)
run_bench veltar-bench-poll --benchmark_filter='BM_PollPass' "${aggregates[@]}"
run_bench veltar-bench-journal "${aggregates[@]}"
run_bench veltar-bench-render "${aggregates[@]}"

# value FILE NAME_REGEX COLUMN: that column of the first row whose name matches.
value() {
  awk -F, -v re="$2" -v col="$3" '
    /^name,/ { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); at[h] = i }; next }
    ("name" in at) { n = $1; gsub(/"/, "", n)
                     if (n ~ re) { v = $(at[col]); gsub(/"/, "", v); print v; exit } }' "$1"
}

# human VALUE UNIT: a time in the unit that suits it.
human() {
  awk -v v="$1" -v u="$2" 'BEGIN {
    f["ns"] = 1; f["us"] = 1e3; f["ms"] = 1e6; f["s"] = 1e9
    ns = v * f[u]
    if (ns < 1e3) { x = ns; s = "ns" } else if (ns < 1e6) { x = ns / 1e3; s = "µs" }
    else if (ns < 1e9) { x = ns / 1e6; s = "ms" } else { x = ns / 1e9; s = "s" }
    if (x >= 100) printf "%.0f %s", x, s; else if (x >= 10) printf "%.1f %s", x, s; else printf "%.2f %s", x, s }'
}

# timed FILE NAME_REGEX [real_time|cpu_time]: the row's time, readable.
timed() {
  local column=${3:-cpu_time}
  human "$(value "$1" "$2" "$column")" "$(value "$1" "$2" time_unit)"
}

poll="$work/veltar-bench-poll.csv"
journal="$work/veltar-bench-journal.csv"
render="$work/veltar-bench-render.csv"

poll_cell() {  # the three sizes of one kind
  local kind=$1 size times=() allocs=()
  for size in 0 300 1024; do
    times+=("$(timed "$poll" "^BM_PollPass_${kind}/${size}_median\$")")
    allocs+=("$(value "$poll" "^BM_PollPass_${kind}/${size}_median\$" allocs)")
  done
  echo "${times[0]} · ${times[1]} · ${times[2]}; ${allocs[0]} · ${allocs[1]} · ${allocs[2]} allocations"
}

stat_cell() {  # median and 99th percentile of a repeated single call
  local re=$1
  echo "median $(timed "$journal" "^${re}/.*_median\$" real_time), 99th percentile $(timed "$journal" "^${re}/.*_p99\$" real_time), max $(timed "$journal" "^${re}/.*_max\$" real_time)"
}

recordings=$(value "$journal" '^BM_RecordWeighing/.*_median$' iterations)

# --- The real terminal -------------------------------------------------------

title="Вельтарские весы"
clk_tck=$(getconf CLK_TCK)
printf '60 12.5 0.1\n' >"$work/hold.txt"  # a load that keeps moving: shown, never recorded

display_kind="offscreen (no Xvfb)"
if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.05
  done
  if [[ -s "$work/display" ]]; then
    export DISPLAY=":$(head -n1 "$work/display")"
    unset QT_QPA_PLATFORM
    display_kind="Xvfb $DISPLAY, 1024x768x24, no window manager"
  else
    say "Xvfb did not start; running off screen"
    export QT_QPA_PLATFORM=offscreen
  fi
else
  export QT_QPA_PLATFORM=offscreen
fi
on_x() { [[ -z "${QT_QPA_PLATFORM:-}" ]]; }

sim_pid=""
start_sim() {  # start_sim KIND DATA_HOME
  local link="$2/Orvalta/com1"
  mkdir -p "$2/Orvalta"
  rm -f "$link"
  "$build/bin/veltar-scale-sim" --kind "$1" --link "$link" --script "$work/hold.txt" --loop \
    </dev/null 2>>"$work/sim-$1.log" &
  sim_pid=$!
  pids+=("$sim_pid")
  for _ in $(seq 100); do
    [[ -L "$link" ]] && return 0
    sleep 0.05
  done
  say "the simulator made no link $link"
  exit 1
}

# start_terminal DATA_HOME: starts it and, on a display, sets startup_ms to
# the time from the process's start to its main window being mapped.
term_pid=""
startup_ms=""
start_terminal() {
  startup_ms=""
  local watcher="" events="" t0 t1="" line next window
  if on_x && command -v xev >/dev/null && command -v xprop >/dev/null; then
    # Map events of top-level windows as they come, rather than polling.
    events="$work/events.fifo"
    rm -f "$events"
    mkfifo "$events"
    xev -root -event substructure >"$events" 2>/dev/null &
    watcher=$!
    exec {fd}<"$events"
    sleep 0.3  # xev has selected the events before the terminal starts
  fi
  t0=$(date +%s%N)
  XDG_DATA_HOME="$1" "$build/bin/veltar-terminal" >>"$work/terminal.log" 2>&1 &
  term_pid=$!
  pids+=("$term_pid")
  if [[ -n "$watcher" ]]; then
    while IFS= read -r -t 30 line <&"$fd"; do
      [[ "$line" == MapNotify* ]] || continue
      t1=$(date +%s%N)
      IFS= read -r -t 5 next <&"$fd" || break
      window=$(grep -o 'window 0x[0-9a-f]*' <<<"$next" | awk '{print $2}')
      if xprop -id "$window" _NET_WM_NAME WM_NAME 2>/dev/null | grep -q "$title"; then
        break
      fi
      t1=""
    done
    exec {fd}<&-
    stop "$watcher"
    rm -f "$events"
  elif on_x && command -v xdotool >/dev/null; then
    for _ in $(seq 3000); do
      if xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; then
        t1=$(date +%s%N)
        break
      fi
      kill -0 "$term_pid" 2>/dev/null || break
    done
  else
    sleep 2  # off screen nothing can be watched; give it time to come up
  fi
  if [[ -n "$t1" ]]; then
    startup_ms=$(((t1 - t0) / 1000000))
  fi
  if ! kill -0 "$term_pid" 2>/dev/null; then
    cat "$work/terminal.log" >&2
    say "the terminal ended during start-up"
    exit 1
  fi
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# Start-up: the first start creates the settings file; the runs after it find
# everything in place, as every later day's start does.
startup_cell="not measured (needs Xvfb and xev or xdotool)"
first_cell="not measured"
if on_x; then
  say "start-up: 1 first start and $startup_runs more"
  home="$work/startup"
  start_sim veltar "$home"
  times=()
  for run in $(seq 0 "$startup_runs"); do
    start_terminal "$home"
    stop "$term_pid"
    if [[ -z "$startup_ms" ]]; then
      say "the main window was not seen"
      exit 1
    fi
    if ((run == 0)); then
      first_cell="$startup_ms ms"
    else
      times+=("$startup_ms")
    fi
  done
  stop "$sim_pid"
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  startup_cell="median $(printf '%s\n' "${times[@]}" | median) ms (min $(head -n1 <<<"$sorted"), max $(tail -n1 <<<"$sorted"); ${#times[@]} runs)"
fi

cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }

# idle KIND: CPU over the window after the warm-up, memory at its end.
idle() {
  local kind=$1 home="$work/idle-$1" c1 c2 t1 t2 started
  say "idle terminal with the $kind simulator: $((idle_warmup + idle_window)) s"
  mkdir -p "$home/Orvalta"
  "$build/bench/veltar-bench-settings" "$home/Orvalta" "$kind"
  start_sim "$kind" "$home"
  started=$(date +%s%N)
  start_terminal "$home"
  sleep "$(awk -v s="$started" -v n="$(date +%s%N)" -v w="$idle_warmup" 'BEGIN { r = w - (n - s) / 1e9; print (r > 0 ? r : 0) }')"
  c1=$(cpu_ticks "$term_pid")
  t1=$(date +%s%N)
  sleep "$idle_window"
  c2=$(cpu_ticks "$term_pid")
  t2=$(date +%s%N)
  local rss hwm
  rss=$(status_kb "$term_pid" VmRSS)
  hwm=$(status_kb "$term_pid" VmHWM)
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    say "the $kind simulator ended during the run; its figures are void"
    exit 1
  fi
  stop "$term_pid"
  stop "$sim_pid"
  if ! grep -q 'the port was opened' "$work/sim-$kind.log"; then
    say "the terminal never opened the $kind simulator's port"
    exit 1
  fi
  local recorded
  recorded=$(find "$home/Orvalta" -name '*.txt' | wc -l)
  if ((recorded != 0)); then
    say "the $kind run recorded weighings; its CPU figure includes file writes"
  fi
  cpu_cell[$kind]=$(awk -v c="$((c2 - c1))" -v hz="$clk_tck" -v ns="$((t2 - t1))" \
    'BEGIN { printf "%.2f %% of one core (%.2f s CPU in %.1f s)", c / hz / (ns / 1e9) * 100, c / hz, ns / 1e9 }')
  rss_cell[$kind]=$(awk -v r="$rss" -v h="$hwm" 'BEGIN { printf "%.1f MiB (peak %.1f MiB)", r / 1024, h / 1024 }')
}
declare -A cpu_cell rss_cell
idle veltar
idle aed

say "idle terminal beside a bare Qt window: 2 × $((floor_window + 10)) s"
floor_row=$(BENCH_BUILD="$build" bash "$root/bench/idle.sh" "$floor_window")

say "the office link under load beside the polling window: 2 × $link_window s"
if ! link_rows=$(TMPDIR="$work" "$build/bench/veltar-bench-link" "$link_window" 2>"$work/link.err"); then
  cat "$work/link.err" >&2
  say "veltar-bench-link failed"
  exit 1
fi

say "the site database beside the polling window, with its outages, a backlog and 19 more terminals: about $((site_window * 5 + 60)) s"
if ! site_rows=$(TMPDIR="$work" "$build/bench/veltar-bench-site" "$site_window" 2>"$work/site.err"); then
  cat "$work/site.err" >&2
  say "veltar-bench-site failed"
  exit 1
fi

say "the seal's check of a 50 MB day"
if ! seal_rows=$(TMPDIR="$work" "$build/bench/veltar-bench-seal-check" 50 2>"$work/seal.err"); then
  cat "$work/seal.err" >&2
  say "veltar-bench-seal-check failed"
  exit 1
fi

# --- The table ---------------------------------------------------------------

cpu_model=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo)
mem_total=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
os_name=$( (. /etc/os-release && echo "$PRETTY_NAME") 2>/dev/null || uname -s)
qt_version=$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo "?")
fs_type=$(df -T "$work" | awk 'NR == 2 { print $2 }')

cat <<EOF
| Figure | Result | How |
|---|---|---|
| Machine | ${cpu_model}, $(nproc) cores, ${mem_total} RAM | $(date -u +%Y-%m-%d), load average at the end $(cut -d' ' -f1-3 /proc/loadavg) |
| System | ${os_name}, Linux $(uname -r), Qt ${qt_version} | temporary files on ${fs_type} |
| Polling pass, own scale, 0 · 300 · 1024 bytes waiting | $(poll_cell Veltar) | Timer1_Timer + Timer2_Timer through a fake port (decode, frame search, display text, detector); STX "  12.50" ST frames; CPU time, median of ${repetitions} |
| Polling pass, AED 9101B, 0 · 300 · 1024 bytes waiting | $(poll_cell Aed) | as above; an answer "   24865" CR LF, then more answers |
| RecordWeighing with its seal, real files | $(stat_cell BM_RecordWeighing) | ${recordings} single calls, wall time; day file appended and synced, its seal record appended and synced, the chain's head and the settings replaced via QSaveFile; 250 a day |
| · of which appending the day-file line | $(stat_cell BM_AppendDayFileLine) | 200 single calls |
| · of which appending and sealing the line | $(stat_cell BM_AppendSealedLine) | 200 single calls: the day-file append, the HMAC, the seal file appended and synced, the head replaced |
| · of which saving the settings | $(stat_cell 'BM_SaveSettings/0') | 200 single calls, 650-byte file (nothing read back) |
| LoadDayFile, 1000 lines | $(timed "$journal" '^BM_LoadDayFile/1000/.*_median$' real_time) | $(value "$journal" '^BM_LoadDayFile/1000/.*_median$' label | awk '{ printf "%.0f", $1 / 1000 }') kB Windows-1251; wall time, median of ${repetitions} |
| LoadDayFile, 100,000 lines | $(timed "$journal" '^BM_LoadDayFile/100000/.*_median$' real_time) | $(value "$journal" '^BM_LoadDayFile/100000/.*_median$' label | awk '{ printf "%.1f", $1 / 1e6 }') MB |
| Earlier day looked up, 1000 · 100,000 lines | $(timed "$journal" '^BM_ReadPastDay/1000/.*_median$' real_time) · $(timed "$journal" '^BM_ReadPastDay/100000/.*_median$' real_time) | ReadDayJournal + CountDayTotals: the day file read and its weighing lines counted and added up; wall time, median of ${repetitions} |
| "Журнал за день": a day of 100,000 lines shown · the same day chosen again | $(timed "$render" '^BM_DayJournalWindowShowsDay/100000/.*_median$' real_time) · $(timed "$render" '^BM_DayJournalWindowSameDayAgain/100000/.*_median$' real_time) | DayJournalWindow::showDay: file read, totals, journal box filled (two long days in turn), repaint; again: read and totals, box kept; off screen, wall time, median of ${repetitions} × 10 |
| Main window: one recording's new journal line, 1000 · 10,000 lines | $(timed "$render" '^BM_RenderNewLine/1000/.*_median$') · $(timed "$render" '^BM_RenderNewLine/10000/.*_median$') | Form1::render() and the repaint, off screen; CPU time per line, median of ${repetitions} × 200 lines |
| Main window: journal box filled from scratch, 1000 · 10,000 lines | $(timed "$render" '^BM_RebuildJournalBox/1000/.*_median$') · $(timed "$render" '^BM_RebuildJournalBox/10000/.*_median$') | for comparison: what the append saves |
| Main window: render with nothing new, 10,000 lines | $(timed "$render" '^BM_RenderUnchanged/10000_median$') | every polling tick |
| Start-up to main window shown | ${startup_cell} | from process start to the window mapped (X MapNotify); ${display_kind}; simulator on com1; first start, creating the settings file: ${first_cell} |
| Resident memory after $((idle_warmup + idle_window)) s, own scale · AED | ${rss_cell[veltar]} · ${rss_cell[aed]} | VmRSS (VmHWM) from /proc |
| Idle CPU, own scale | ${cpu_cell[veltar]} | utime+stime over ${idle_window} s after ${idle_warmup} s of polling; simulator streaming a moving 12.5 kg |
| Idle CPU, AED 9101B | ${cpu_cell[aed]} | as above; queried every 300 ms |
${floor_row}
${link_rows}
${site_rows}
${seal_rows}
EOF
