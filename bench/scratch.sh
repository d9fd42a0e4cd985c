# Sourced by the benchmark scripts: a scratch folder, $work, and the
# processes started there, listed in $pids, all gone when the script ends.
# $1 names the folder.
work=$(mktemp -d "${TMPDIR:-/tmp}/veltar-$1.XXXXXX")
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

stop() {  # stop one process started here, by its id
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
