#!/usr/bin/env bash
# Rotates every file named in list.txt into build/examples/rotated/.
# Run from anywhere after `make build`:  examples/list.sh
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
folioturn="${FOLIOTURN:-$here/../build/folioturn}"
out="$here/../build/examples/rotated"
mkdir -p "$(dirname "$out")"
cd "$here"

# A list holds one input file name per line; make one with: ls *.pdf > list.txt
"$folioturn" -ilist.txt -f"$out" -podd -r90
