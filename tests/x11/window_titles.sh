#!/usr/bin/env bash
# The title the X server holds for the main window is exactly the program's own: nothing is
# appended to it by the toolkit. Runs the real program on a private X server (Xvfb).
#
#   tests/x11/window_titles.sh PROGRAM
set -euo pipefail
program=$1
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed"; exit 1; }
command -v xprop >/dev/null || { echo "xprop is not installed"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Inside the virtual server: start the program, wait for its window, read the titles.
cat >"$work/inside.sh" <<'INSIDE'
set -euo pipefail
program=$1 out=$2
QT_QPA_PLATFORM=xcb "$program" >"$out.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
    ids=$(xwininfo -root -children 2>/dev/null | awk '/^ +0x/ && $2 != "(has" {print $1}')
    for id in $ids; do
        name=$(xprop -id "$id" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
        case "$name" in
        *Orvantis*)
            echo "_NET_WM_NAME=$name" >"$out"
            xprop -id "$id" WM_NAME | sed -n 's/^WM_NAME([A-Z_]*) = "\(.*\)"$/WM_NAME=\1/p' >>"$out"
            exit 0
            ;;
        esac
    done
    sleep 0.1
done
echo "no window of the program appeared" >"$out"
INSIDE

XDG_CONFIG_HOME="$work/config" ORVANTIS_PORTS="" xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash "$work/inside.sh" "$program" "$work/titles"
cat "$work/titles"
want="Orvantis Utility x.21"
grep -qx "_NET_WM_NAME=$want" "$work/titles" && grep -qx "WM_NAME=$want" "$work/titles" || {
    echo "FAIL: the window system shows another title than \"$want\""
    sed 's/^/  program: /' "$work/titles.log" || true
    exit 1
}
echo "OK"
