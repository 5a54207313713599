#!/bin/sh
# Creates a Wine prefix at $1 with the null graphics driver, once.
#   $2: the prefix's architecture, win32 or win64
#   $3: the Wine loader that runs the build's programs (/usr/lib/wine/wine for
#       32-bit ones, /usr/lib/wine/wine64 for 64-bit ones)
set -e
prefix="$1"
arch="${2:-win32}"
loader="${3:-wine}"
[ -f "$prefix/.quillet-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.quillet-ready" ] && exit 0
export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's programs are run through the build's own loader, never through the
# wine script, which picks the 32-bit loader whenever one is installed.
# The null driver has to be set before anything creates a window.
"$loader" wineboot.exe -i >/dev/null 2>&1 || true
"$loader" reg.exe add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.quillet-ready"
