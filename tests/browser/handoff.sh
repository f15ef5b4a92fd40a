#!/usr/bin/env bash
# Runs handoff.cjs with playwright-core at the version pinned here, installed into the build
# tree once.
set -euo pipefail
version=1.65.2
modules="$QF_BINARY_DIR/tests/browser"
if ! grep -qs "\"version\": \"$version\"" "$modules/node_modules/playwright-core/package.json"; then
    npm install --prefix "$modules" --no-save --no-package-lock --no-audit --no-fund \
        --ignore-scripts "playwright-core@$version"
fi
NODE_PATH="$modules/node_modules" exec node "$(dirname "$0")/handoff.cjs"
