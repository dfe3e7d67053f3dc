#!/usr/bin/env bash
# The demo: the automatic production run (tamselwin /CMD) in a fresh working
# directory on a simulated machine. The machine lives in DEMO_DIR/machine and
# keeps what each run wrote, so a second `make demo` finds the new firmware.
# Usage: scripts/demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
build="${1:-build}"
dir="${2:-demo}"

binary="$(cd "$build" && pwd)/tamselwin"
mkdir -p "$dir/machine"
machine="$(cd "$dir/machine" && pwd)"
rm -rf "$dir/work"
mkdir -p "$dir/work"
work="$(cd "$dir/work" && pwd)"

if [[ -f "$machine/machine.json" ]]; then
  echo "== simulated machine $machine (as the last run left it)"
else
  echo "== fresh simulated machine $machine (two QOR5844 controllers with W25X40CL chips)"
fi
echo "== tamselwin /CMD in $work"
set +e
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY TAMSEL_SIM="$machine" "$binary" /CMD)
status=$?
set -e
echo
echo "== exit code $status, result.log: $(tr -d '\r' < "$work/result.log" 2>/dev/null || echo missing)"
log="$(find "$work" -maxdepth 1 -name '[0-9]*.log' | head -n 1)"
if [[ -n "$log" ]]; then
  echo "== production log $(basename "$log"):"
  tr -d '\r' < "$log" | awk -F'\t' 'NR > 1 { printf "   controller %s at bus %s was running %s; update %s, compare %s\n", $3, $5, $4, $12, $13 }'
fi
echo "== left in $work: $(cd "$work" && ls | tr '\n' ' ')"
exit "$status"
