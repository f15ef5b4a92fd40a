#!/usr/bin/env bash
# Runs handoff.cjs with the pinned playwright-core (package-lock.json beside this script),
# installed into the build tree on the first run. No browser is downloaded: the test drives
# Debian's /usr/bin/chromium.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
modules="$QF_BINARY_DIR/tests/browser"
if ! cmp -s "$here/package-lock.json" "$modules/package-lock.json" ||
    [ ! -f "$modules/node_modules/playwright-core/package.json" ]; then
    mkdir -p "$modules"
    cp "$here/package.json" "$here/package-lock.json" "$modules/"
    npm ci --prefix "$modules" --no-audit --no-fund --ignore-scripts
fi
NODE_PATH="$modules/node_modules" exec node "$here/handoff.cjs"
