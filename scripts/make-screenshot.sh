#!/usr/bin/env bash
# Renews docs/window-after-run.png: the main window after a production run on a
# simulated machine with one passing and one failing controller.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-build}"
cmake --build "$here/$build" --target tamsel_ui_screenshot
"$here/scripts/run-under-xvfb.sh" "$here/$build/tamsel_ui_screenshot" "$here/docs/window-after-run.png"
