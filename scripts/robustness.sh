#!/bin/bash
# Robustness run: one classify job per workbook of a folder, with a time limit
# per job. Prints a line for every file that did not end cleanly with one of
# the job's texts, then a table. Not part of the test run; takes a while.
#
#   scripts/robustness.sh [FOLDER] [--limit SECONDS] [--log FILE] [--keep]
#
# FOLDER defaults to ../shared/corpus/realworld beside the project. The
# command-line program is taken from $SHEETSPLICER_CLI, or else from build/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="${SHEETSPLICER_CLI:-$root/build/cli/sheetsplicer-cli}"
if [ ! -x "$cli" ]; then
  echo "sheetsplicer-cli not found at $cli: build it first (cmake --build build --target sheetsplicer-cli)," >&2
  echo "or point SHEETSPLICER_CLI at it" >&2
  exit 2
fi
exec /usr/bin/python3 "$root/scripts/robustness/corpus_run.py" --cli "$cli" "$@"
