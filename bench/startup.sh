#!/usr/bin/env bash
# Start-up to the first painted window and resident memory of orvantis, side by side with the
# floor of a Qt Widgets program on this machine (bench/bare_window: a label and a button, built
# against the same Qt) and with cutecom (a Qt serial terminal from Debian), all on one Xvfb
# server, runs alternating; then the ratios of orvantis and of cutecom to the bare window.
#
# Measured from outside by bench/xlaunch: the time from starting the program until the X server
# has its main window mapped, and until that window first shows painted content; the resident
# memory (VmRSS) at that moment and after 2 s.
#
# Usage: bench/startup.sh [BUILD_DIR]      (RUNS=N to change the number of runs, default 7)
# Without cutecom installed (apt-get install cutecom) the other two are measured alone.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build-bench}"
build="$(cd "$build" && pwd)"
runs="${RUNS:-7}"

if [ -z "${ORV_STARTUP_INNER:-}" ]; then
    command -v xvfb-run > /dev/null || { echo "startup: xvfb-run is missing (apt-get install xvfb)"; exit 2; }
    # -br: a black root window, so that a window that has not painted yet shows black.
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -br -nolisten tcp" \
        env ORV_STARTUP_INNER=1 RUNS="$runs" "$0" "$build"
fi

xlaunch="$build/bench/xlaunch"
orvantis="$build/orvantis"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/orvantis" "$work/bare" "$work/cutecom"
programs=(orvantis bare)

echo "# startup: $(date -u '+%Y-%m-%d %H:%M:%S UTC'); nproc $(nproc); cpu $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); loadavg $(cat /proc/loadavg)"
echo "# orvantis: $orvantis; bare window: $build/bench/bare_window; Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo '?')"
if command -v cutecom > /dev/null; then
    programs+=(cutecom)
    echo "# cutecom: $(dpkg-query -W -f='${Version}' cutecom 2>/dev/null || echo '?') ($(ldd "$(command -v cutecom)" | grep -o 'libQt[0-9]Core[^ ]*' | head -1))"
else
    echo "# cutecom is not installed: measured without it"
fi

results="$work/results"
: > "$results"
for i in $(seq 1 "$runs"); do
    for prog in "${programs[@]}"; do
        case "$prog" in
            orvantis) line="$(XDG_CONFIG_HOME="$work/orvantis" "$xlaunch" --name "Orvantis Utility" -- "$orvantis")" ;;
            bare) line="$(XDG_CONFIG_HOME="$work/bare" "$xlaunch" --name "Bare Qt Window" -- "$build/bench/bare_window")" ;;
            cutecom) line="$(XDG_CONFIG_HOME="$work/cutecom" "$xlaunch" --name "CuteCom" -- cutecom)" ;;
        esac
        echo "startup run $i $prog: $line"
        echo "$prog $line" >> "$results"
        sleep 0.5
    done
done

# Medians per program.
for prog in "${programs[@]}"; do
    grep "^$prog " "$results" | sed 's/[a-z_]*=//g' | awk -v p="$prog" '
        { map[NR]=$2; paint[NR]=$3; rp[NR]=$4; rs[NR]=$5 }
        function med(a, n,   i, j, t) {
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
            return (n % 2) ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
        }
        function mx(a, n,   i, m) { m = a[1]; for (i = 2; i <= n; i++) if (a[i] > m) m = a[i]; return m }
        END {
            n = NR
            printf "startup %s (median of %d runs): first window mapped %.1f ms, first painted %.1f ms (max %.1f ms); resident memory %.1f MiB at first paint, %.1f MiB after 2 s\n",
                p, n, med(map, n), med(paint, n), mx(paint, n), med(rp, n) / 1024, med(rs, n) / 1024
        }'
done

# The ratios to the bare window: time to first paint and memory at first paint (medians).
median_of() {  # program, field number
    grep "^$1 " "$results" | sed 's/[a-z_]*=//g' | awk -v f="$2" '{print $f}' | sort -n |
        awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'
}
for prog in "${programs[@]}"; do
    [ "$prog" = bare ] && continue
    awk -v p="$prog" -v op="$(median_of "$prog" 3)" -v bp="$(median_of bare 3)" \
        -v om="$(median_of "$prog" 4)" -v bm="$(median_of bare 4)" \
        'BEGIN { printf "startup ratio of %s to the bare window: first paint %.2f x, memory at first paint %.2f x\n", p, op / bp, om / bm }'
done
