#!/usr/bin/env bash
# Runs two builds of Folioturn on the same inputs and argument sets and compares
# their console text and output files byte for byte. For checking that a change
# keeps the outputs of valid files as they were.
#   scripts/compare-builds.sh OLD_PROGRAM NEW_PROGRAM [PDF...]
# Without PDFs it uses tests/data and examples. Extra arguments for both runs can
# be given in COMPARE_EXTRA (for example COMPARE_EXTRA=-repair). The exit status
# of each run is part of its console text ("exit N"); COMPARE_STATUS=ignore leaves
# it out, for comparing with a build from before failures had a status of their own.
# Standard error (hints and warnings) is kept out of the way and not compared.
set -u
old=$(realpath "$1"); new=$(realpath "$2"); shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ]; then set -- "$root"/tests/data/*.pdf "$root"/examples/*.pdf; fi
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
argsets=("-pall -r90" "-podd -r180" "-peven -r270 -force" "-p1 -r90 -force" "-p2-3 -r-90" "-pfirsthalf -r0"
         "-plasthalf -r450 -force" "-p99999 -r90" "-p1,x -r90" "-r180")
differences=0; runs=0
for pdf in "$@"; do
  for args in "${argsets[@]}"; do
    for side in old new; do
      program=$old; [ $side = new ] && program=$new
      cp "$pdf" "$work/in.pdf"
      rm -f "$work/out-$side.pdf"
      # shellcheck disable=SC2086
      (cd "$work" && "$program" -iin.pdf -oout-$side.pdf $args ${COMPARE_EXTRA:-} >"console-$side.txt" 2>"errors-$side.txt"
       status=$?; [ "${COMPARE_STATUS:-}" = ignore ] || echo "exit $status" >>"console-$side.txt")
      sed -i "s/out-$side.pdf/out.pdf/g" "$work/console-$side.txt"
    done
    runs=$((runs + 1))
    if ! cmp -s "$work/console-old.txt" "$work/console-new.txt"; then
      echo "console differs: $(basename "$pdf") $args"; differences=$((differences + 1))
      diff "$work/console-old.txt" "$work/console-new.txt" | head -20
      continue
    fi
    if [ -e "$work/out-old.pdf" ] || [ -e "$work/out-new.pdf" ]; then
      if ! cmp -s "$work/out-old.pdf" "$work/out-new.pdf"; then
        echo "output differs: $(basename "$pdf") $args"; differences=$((differences + 1))
      fi
    fi
  done
done
echo "$runs runs, $differences differences"
[ "$differences" -eq 0 ]
