#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for a given time, one after the other, each from a copy of its seed
# corpus.
#
#   bench/fuzz.sh SECONDS [TARGET...]      TARGET: hex, receiver, numbers, sessions (or
#                                          fuzz_hex, ...; default: all four)
#   FUZZ_RUNS=10000000 bench/fuzz.sh 0 receiver
#                                          run until that many inputs (SECONDS 0: no time limit)
#
# Inputs are at most 2048 bytes for hex (four records of the longest kind, or some forty of the
# usual 16-byte kind), 1024 for numbers (long enough for a number beyond the range of a double)
# and 4096 for receiver and sessions.
#
# Prints one summary line per target: inputs run, inputs per second, duration and result.
# Exits non-zero when any target crashes, leaks, hangs (more than 5 s on one input), runs out of
# memory or reports undefined behaviour. The log of each run and any input that failed are kept
# in build-fuzz/runs/.
set -euo pipefail

usage() {
    echo "usage: $0 SECONDS [hex|receiver|numbers|sessions ...]" \
        "  (env FUZZ_RUNS=N: stop after N inputs)" >&2
    exit 2
}
[ $# -ge 1 ] || usage
seconds=$1
shift
[[ "$seconds" =~ ^[0-9]+$ ]] || usage
targets=("${@#fuzz_}")  # "fuzz_hex" is taken for "hex"
[ ${#targets[@]} -gt 0 ] || targets=(hex receiver numbers sessions)
for t in "${targets[@]}"; do
    case "$t" in
        hex | receiver | numbers | sessions) ;;
        *) echo "unknown target: $t" >&2; usage ;;
    esac
done
runs=${FUZZ_RUNS:-}
if [ -n "$runs" ] && ! [[ "$runs" =~ ^[0-9]+$ ]]; then
    echo "FUZZ_RUNS must be a number" >&2
    exit 2
fi
if [ "$seconds" -eq 0 ] && [ -z "$runs" ]; then
    echo "SECONDS 0 needs FUZZ_RUNS" >&2
    exit 2
fi

here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
build="$here/build-fuzz"

# --- clang with libFuzzer ---------------------------------------------------------------------
. scripts/deps.sh
fuzzer_works() {
    local probe
    probe=$(mktemp -d)
    printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
        'extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }' \
        >"$probe/probe.cpp"
    local ok=1
    clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
        2>/dev/null || ok=0
    rm -rf "$probe"
    [ $ok -eq 1 ]
}
orv_install cmake ninja-build clang
if ! fuzzer_works; then
    orv_install libclang-rt-14-dev
    fuzzer_works || { echo "clang++ -fsanitize=fuzzer does not work on this machine" >&2; exit 1; }
fi

# --- build ------------------------------------------------------------------------------------
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORV_FUZZ=ON -DORV_BUILD_APP=OFF -DORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j1 --target $(printf 'fuzz_%s ' "${targets[@]}")

# --- run --------------------------------------------------------------------------------------
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/runs"
failed=0
summary=()
for t in "${targets[@]}"; do
    exe="$build/tests/fuzz/fuzz_$t"
    work="$build/runs/$t"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp -r "tests/fuzz/corpus/$t/." "$work/corpus/"
    args=(-print_final_stats=1 -timeout=5 -artifact_prefix="$work/artifacts/")
    [ "$seconds" -gt 0 ] && args+=(-max_total_time="$seconds")
    [ -n "$runs" ] && args+=(-runs="$runs")
    case "$t" in
        hex) args+=(-max_len=2048) ;;
        numbers) args+=(-max_len=1024) ;;
        *) args+=(-max_len=4096) ;;
    esac
    [ -f "tests/fuzz/$t.dict" ] && args+=(-dict="tests/fuzz/$t.dict")
    echo "== fuzz_$t ${args[*]} $work/corpus"
    start=$(date +%s.%N)
    set +e
    "$exe" "${args[@]}" "$work/corpus" >"$work/log" 2>&1
    status=$?
    set -e
    end=$(date +%s.%N)
    duration=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.0f", b - a }')
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
    per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log" | tail -1)
    if [ $status -eq 0 ]; then
        result=ok
    elif grep -q 'ERROR: LeakSanitizer' "$work/log"; then
        result=LEAK
    elif grep -q 'ERROR: libFuzzer: timeout' "$work/log"; then
        result=TIMEOUT
    elif grep -q 'out-of-memory' "$work/log"; then
        result=OUT-OF-MEMORY
    elif grep -q 'runtime error:' "$work/log"; then
        result=UNDEFINED-BEHAVIOUR
    elif grep -q 'ERROR: AddressSanitizer' "$work/log"; then
        result=ADDRESS-ERROR
    else
        result=CRASH
    fi
    if [ "$result" != ok ]; then
        failed=1
        artifact=$(ls "$work/artifacts" 2>/dev/null | head -1)
        result="$result (exit $status; input: $work/artifacts/$artifact; log: $work/log)"
        grep -E 'invariant broken|ERROR:|runtime error:|text:' "$work/log" | head -5 >&2 || true
    fi
    line=$(printf 'fuzz_%-9s runs %-10s runs/s %-7s seconds %-6s %s' "$t" "${executed:-?}" \
        "${per_second:-?}" "$duration" "$result")
    echo "$line"
    summary+=("$line")
done

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
echo "== summary ($(nproc) cores, $cpu)"
printf '%s\n' "${summary[@]}"
exit $failed
