#!/usr/bin/env bash
# Builds the benchmarks (Release, build-bench/) and runs them all, printing every figure.
# The benchmarks measure and print; none of them asserts on time.
#
# Needs: Qt 6 development packages, ser2net, xvfb (xvfb-run).
# Usage: bench/run.sh [--no-build] [--no-windows]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
windows=()
do_build=1
for arg in "$@"; do
    case "$arg" in
        --no-build) do_build=0 ;;
        --no-windows) windows=(--no-windows) ;;
        *) echo "usage: bench/run.sh [--no-build] [--no-windows]"; exit 2 ;;
    esac
done

if [ "$do_build" = 1 ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=ON > /dev/null
    # Two cores, shared: one job.
    cmake --build "$build" -j1
fi

echo "== uptime: $(uptime)"
cd "$build/bench"
status=0
quiet() { "$@" 2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR >&2); }
for bench in bench_programming bench_stall bench_focus bench_sequencer; do
    echo "== $bench"
    quiet ./"$bench" "${windows[@]}" || status=1
done
# The stalls again with the traffic log written to files, and in night mode.
traffic="$(mktemp -d)"
echo "== bench_stall (traffic log to files)"
ORV_TRAFFIC_DIR="$traffic" quiet ./bench_stall "${windows[@]}" || status=1
rm -rf "$traffic"
echo "== bench_stall --night"
quiet ./bench_stall --night "${windows[@]}" || status=1
echo "== startup"
"$root/bench/startup.sh" "$build" || status=1
exit "$status"
