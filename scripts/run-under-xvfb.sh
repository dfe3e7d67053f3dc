#!/usr/bin/env bash
# Runs a program on a private Xvfb server (24-bit screen) and stops the server
# afterwards. Xvfb picks a free display itself (-displayfd), so parallel test
# runs never collide. Exits 77 (test skipped) where Xvfb is not installed.
set -uo pipefail

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "Xvfb is not installed: skipping $*" >&2
  exit 77
fi

display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$display_file"' EXIT

for _ in $(seq 1 100); do
  [ -s "$display_file" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "Xvfb failed to start: skipping $*" >&2
    exit 77
  fi
  sleep 0.1
done
if [ ! -s "$display_file" ]; then
  echo "Xvfb did not report a display" >&2
  exit 1
fi

DISPLAY=":$(head -n1 "$display_file")" "$@"
