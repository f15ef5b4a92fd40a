#!/usr/bin/env bash
# Runs handoff.cjs with playwright-core as pinned beside it, installed into the build tree once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
modules="$QF_BINARY_DIR/tests/browser"
if ! cmp -s "$here/package-lock.json" "$modules/package-lock.json" ||
    [ ! -f "$modules/node_modules/playwright-core/package.json" ]; then
    mkdir -p "$modules" && cp "$here/package.json" "$here/package-lock.json" "$modules/"
    npm ci --prefix "$modules" --no-audit --no-fund --ignore-scripts
fi
NODE_PATH="$modules/node_modules" exec node "$here/handoff.cjs"
