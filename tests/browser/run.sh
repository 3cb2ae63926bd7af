#!/bin/sh
# The staff page's browser tests: playwright-core as package-lock.json pins
# it (no browser of its own: Debian's chromium), then node's test runner.
set -eu
cd "$(dirname "$0")"
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
exec node --test --test-concurrency=1 staff_page.test.mjs
