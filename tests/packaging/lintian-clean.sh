#!/bin/sh
# Builds the Debian package into a fresh folder and runs lintian on it: the test
# fails on any error or warning that lintian reports (its informational tags
# pass). Exit code 77, which ctest shows as skipped, when lintian is not installed.
#   lintian-clean.sh CPACK BUILD WORK
cpack=$1 build=$2 work=$3
command -v lintian >/dev/null 2>&1 || { echo "lintian is not installed (scripts/install-deps.sh installs it)"; exit 77; }
rm -rf "$work"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work.log" 2>&1 || { cat "$work.log"; exit 1; }
set -- "$work"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "expected one .deb in $work, found: $*"; exit 1; }
report=$(lintian --display-info "$1" 2>&1)
status=$?
echo "$report"
rm -rf "$work" "$work.log"
if echo "$report" | grep -Eq '^(E|W): '; then exit 1; fi
# lintian's own failure (not one of the package's) fails the test too.
[ "$status" -eq 0 ] || [ "$status" -eq 2 ] || exit 1
exit 0
