#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing.
# As root on Debian it installs with apt-get; elsewhere it says what to install.
set -u
# nlohmann-json3-dev: the JSON of -info, and the tests' reading of qpdf's JSON.
packages=(cmake g++ make zlib1g-dev libgcrypt20-dev nlohmann-json3-dev python3)
# Everything but the plain build of the program (--build) also needs the test tools:
# groff-base checks the man page; dpkg-dev and file let CPack work out the package's dependencies.
# lintian checks the package; script (bsdutils) gives the progress tests a terminal.
# strace counts the opens of the input and shows the order in which a replacement is synced and renamed.
# mupdf-tools (mutool) reads the direction of the text on each page as it is shown, for the upright tests.
# --package needs only what the package is made with.
case "${1:-}" in
  --build) ;;
  --package) packages+=(dpkg-dev file gzip) ;;
  *) packages+=(libgtest-dev qpdf groff-base dpkg-dev file gzip lintian bsdutils strace mupdf-tools) ;;
esac
if [ "${1:-}" = "--fuzz" ]; then packages+=(clang libclang-rt-14-dev); fi
if [ "${1:-}" = "--format" ]; then packages=(clang-format); fi
if [ "${1:-}" = "--bench" ]; then packages+=(hyperfine time); fi
# The Windows build: MinGW-w64 (its posix-threads compiler, for C++20's threads and
# locks), zlib and libgcrypt built for it, and wine to run the .exe and the .bat examples.
if [ "${1:-}" = "--windows" ]; then packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev wine wine64); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null && apt-get install -y -qq "${missing[@]}" >/dev/null && exit 0
  echo "apt-get could not install: ${missing[*]}" >&2
  exit 1
fi
echo "Please install these packages first: ${missing[*]}" >&2
echo "(on Debian or Ubuntu: sudo apt-get install ${missing[*]})" >&2
exit 1
