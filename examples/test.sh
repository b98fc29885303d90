#!/usr/bin/env bash
# Shows every option of Folioturn on the bundled sample. Outputs go to build/examples/.
# Run from anywhere after `make build`:  examples/test.sh
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
folioturn="${FOLIOTURN:-$here/../build/folioturn}"
out="$here/../build/examples"
mkdir -p "$out"
cd "$here"

"$folioturn" -isample.pdf -o"$out/pages.pdf" -p1,3,5-6 -r90        # a page list
"$folioturn" -isample.pdf -o"$out/all.pdf" -pall -r180              # every page
"$folioturn" -isample.pdf -o"$out/odd.pdf" -podd -r270              # odd pages
"$folioturn" -isample.pdf -o"$out/even.pdf" -peven -r90             # even pages
"$folioturn" -isample.pdf -o"$out/first-half.pdf" -pfirsthalf -r90  # pages 1-3 of 6
"$folioturn" -isample.pdf -o"$out/last-half.pdf" -plasthalf -r90    # pages 4-6 of 6
"$folioturn" -isample.pdf -o"$out/default.pdf" -r90                 # no -p: all pages
"$folioturn" -isample.pdf -o"$out/upright.pdf" -pall -r0            # back to upright
"$folioturn" -isample.pdf -o"$out/forced.pdf" -p2 -r270 -force      # page 2 has 90: 90+270 gives 0
"$folioturn" -isample.pdf -o"$out/missing.pdf" -p9 -r90 || true     # fails: the sample has 6 pages
