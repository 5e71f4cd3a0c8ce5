#!/usr/bin/env bash
# The power-cut test's long mode: every flush the job sends becomes a cut point (CI checks a
# sample of 20 per setup), for one pass and three, with the home folder on the tree's disk and on
# another disk. Needs root, /dev/fuse, loop devices and libfuse3 (scripts/setup.sh).
# OSTREL_POWERCUT_SEED=N repeats a run that failed; CUTS limits the cut points per setup.
# Usage: scripts/power-cut-campaign.sh [CUTS]   (default 0: every cut point)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel ostrel-pending ostrel_write_recording_disk \
    ostrel_e2e_tests)
export OSTREL_PROGRAM_DIR=$build/bin
export OSTREL_POWERCUT_CUTS=${1:-0}
exec "$build/bin/ostrel_e2e_tests" --gtest_filter='Setups/PowerCut.*'
