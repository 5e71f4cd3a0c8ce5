#!/usr/bin/env bash
# The crash campaign's long mode: `ostrel` is killed (SIGKILL) at random moments while it shreds
# a tree of mixed files on a loop-mounted image, with the holding folder on the same file system
# and on another one, and every promise is checked after each restart. CI runs 110 kills per
# configuration; this runs KILLS per configuration (default 2000). Needs root for the loop
# images (the test skips without them). OSTREL_CRASH_SEED=N repeats a campaign that failed.
# Usage: scripts/crash-campaign.sh [KILLS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel ostrel-pending ostrel_e2e_tests)
export OSTREL_PROGRAM_DIR=$build/bin
export OSTREL_CRASH_KILLS=${1:-2000}
exec "$build/bin/ostrel_e2e_tests" --gtest_filter='HoldingFolder/CrashCampaign.*'
