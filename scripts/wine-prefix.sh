#!/bin/sh
# Creates a 32-bit Wine prefix at $1 with the null graphics driver, once.
set -e
prefix="$1"
[ -f "$prefix/.quillet-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.quillet-ready" ] && exit 0
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The null driver has to be set before anything creates a window.
wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.quillet-ready"
