#!/usr/bin/env bash
# Builds the command-line client (debug preset, incrementally) and runs it with the given
# arguments on the built-in demo historian, e.g. scripts/run.sh --item Test.Ramp --start now-10m
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
# The build stays quiet unless it fails, so that only the client's output is seen.
if ! log=$({ cmake --preset debug && cmake --build --preset debug --target zelk-hda-read; } 2>&1); then
  printf '%s\n' "$log" >&2
  exit 1
fi
exec build/debug/zelk-hda-read "$@"
