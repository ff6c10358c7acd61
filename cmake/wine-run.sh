#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
# The prefix is made on first use. Wine's own messages are off; the program's output and exit
# status pass through.
# With PREFIX alone it makes the prefix and starts a Wine server, and Wine's own background
# programs, that stay until `WINEPREFIX=PREFIX wineserver -k`. Programs run after that start at
# once; otherwise each run starts them again and waits for them to end.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
find_program() {
    for candidate in "$@"; do
        if command -v "$candidate" >/dev/null 2>&1; then command -v "$candidate"; return; fi
    done
    echo "wine-run.sh: Wine is not installed (Debian package wine64)" >&2
    exit 127
}
wine=$(find_program wine64 wine /usr/lib/wine/wine64 /usr/lib/wine/wine)
mkdir -p "$prefix"
if [ $# -eq 0 ]; then
    # Started here, the background programs get no output of a later program to hold open.
    "$(find_program wineserver "${wine%/*}/wineserver" /usr/lib/wine/wineserver)" -p
fi
if [ $# -eq 0 ] || [ ! -f "$prefix/.ready" ]; then
    # Tests may start in parallel: one of them makes the prefix, the others wait for it.
    (
        flock 9
        if [ ! -f "$prefix/.ready" ]; then
            "$wine" wineboot -i >/dev/null 2>&1 </dev/null
            touch "$prefix/.ready"
        elif [ $# -eq 0 ]; then
            "$wine" wineboot >/dev/null 2>&1 </dev/null
        fi
    ) 9>"$prefix.lock"
fi
[ $# -eq 0 ] || exec "$wine" "$@"
