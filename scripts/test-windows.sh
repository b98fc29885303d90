#!/usr/bin/env bash
# Tests the Windows build under wine (`make test-windows`):
#  1. the end-to-end suite, built for Linux, runs folioturn.exe through wine;
#  2. the .bat examples run under wine's cmd with folioturn.exe on the PATH; their
#     outputs must satisfy qpdf and match, with their console text, what the POSIX
#     build makes of the same commands;
#  3. compare-builds.sh: the console text and outputs of both builds on every
#     fixture, byte for byte, as full rewrites and as incremental updates.
#   scripts/test-windows.sh BUILD WINDOWS_BUILD
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
windows=$(realpath "$2")
exe="$windows/folioturn.exe"

# A wine prefix of the build's own, so that no user setting of wine takes part.
export WINEDEBUG=-all WINEPREFIX="$windows/wine"
mkdir -p "$WINEPREFIX"
# One wine server for every run: each process then starts in milliseconds, and the
# server does not count against any limit a test sets on the processes it starts.
# A server that an interrupted run left goes first: the prefix is the build's own,
# so no other program's wine is touched.
wineserver --kill 2>/dev/null || true
wineserver --persistent
trap 'wineserver --kill' EXIT
# The first run sets the prefix up and starts wine's own services, which last as
# long as the server: here, with nothing on their standard output and error, so
# that they hold open no pipe of the tests or of whatever reads this script.
wine "$exe" --version </dev/null >/dev/null 2>&1 || { echo "wine cannot run $exe" >&2; exit 1; }

echo "End-to-end suite: $exe under wine"
FOLIOTURN_PROGRAM_UNDER_TEST="$exe" FOLIOTURN_LAUNCHER=wine "$build/tests/folioturn_e2e_tests" --gtest_brief=1

echo "The .bat examples under wine's cmd"
work="$windows/examples-check"
rm -rf "$work"
mkdir -p "$work/windows" "$work/posix"
for side in windows posix; do
  cp "$root"/examples/{test.bat,list.bat,list.txt,sample.pdf,sample-short.pdf} "$work/$side/"
done
# The POSIX build runs each program line of the .bat files (CR LF lines), with "/" for "\".
(
  cd "$work/posix"
  mkdir -p out
  for bat in test.bat list.bat; do
    grep -i '^folioturn ' "$bat" | tr -d '\r' | tr '\\' '/' | while read -r _ arguments; do
      # shellcheck disable=SC2086
      # The examples show a failure too (exit status 2): the console text is what counts here.
      "$build/folioturn" $arguments || [ $? -eq 2 ]
    done >"$bat.console"
  done
)
(
  cd "$work/windows"
  WINEPATH=$(winepath -w "$windows") && export WINEPATH
  for bat in test.bat list.bat; do
    # test.bat ends with its failing example, whose status cmd passes on. At times
    # wine's cmd does not find the program on WINEPATH for a line (it says it cannot
    # recognise the command, and nothing ran): the whole file then runs once more.
    for _ in 1 2; do
      wine cmd /c "$bat" >"$bat.console" 2>"$bat.errors" || [ $? -eq 2 ]
      cat "$bat.errors" >&2
      grep -q "^Can't recognize 'folioturn " "$bat.errors" || break
      echo "wine's cmd did not find folioturn for a line of $bat; running it again" >&2
    done
    tr '\\' '/' <"$bat.console" >"$bat.console.tmp" && mv "$bat.console.tmp" "$bat.console"
  done
)
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
for bat in test.bat list.bat; do
  cmp -s "$work/windows/$bat.console" "$work/posix/$bat.console" || fail "$bat prints other text than on POSIX"
done
outputs=$(cd "$work/windows" && ls out/*.pdf rotated/*.pdf)
[ "$(echo "$outputs" | wc -l)" -eq 11 ] || fail "expected 9 outputs of test.bat and 2 of list.bat, got: $outputs"
for pdf in $outputs; do
  qpdf --check "$work/windows/$pdf" >/dev/null 2>&1 || fail "qpdf --check $pdf"
  cmp -s "$work/windows/$pdf" "$work/posix/$pdf" || fail "$pdf differs from the POSIX build's"
done
[ ! -e "$work/windows/out/missing.pdf" ] || fail "a failed job left out/missing.pdf"
echo "bat examples: $(echo "$outputs" | wc -l) outputs checked, $failures failed"
[ "$failures" -eq 0 ]

echo "The POSIX and the Windows build on every fixture"
# wine at times ends a run before the program has started, printing nothing: as in
# the end-to-end harness, such a run is tried again, at most twice, and says so.
cat >"$windows/folioturn-under-wine" <<EOF
#!/bin/sh
out=\$(mktemp) err=\$(mktemp)
for try in 1 2 3; do
  wine "$exe" "\$@" >"\$out" 2>"\$err"; status=\$?
  if [ -s "\$out" ] || [ \$status -eq 0 ]; then break; fi
  echo "folioturn-under-wine: nothing printed, exit \$status; run again" >&2
done
cat "\$out"; cat "\$err" >&2; rm -f "\$out" "\$err"; exit \$status
EOF
chmod +x "$windows/folioturn-under-wine"
"$root/scripts/compare-builds.sh" "$build/folioturn" "$windows/folioturn-under-wine"
COMPARE_EXTRA=-incremental "$root/scripts/compare-builds.sh" "$build/folioturn" "$windows/folioturn-under-wine"
