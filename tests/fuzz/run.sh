#!/usr/bin/env bash
# A bounded run of the fuzz targets, as CI runs it: configures build-fuzz with clang-14
# and COPPIX_FUZZ=ON, builds the two targets, fuzzes both at once for FUZZ_SECONDS
# (25 by default) from the committed seeds, and prints one line per target. Exits
# non-zero on any crash, leak, timeout or out-of-memory; the input that did it is kept in
# build-fuzz/fuzz-artifacts/.
#
#   bash tests/fuzz/run.sh                    from the top of the repository
#   FUZZ_SECONDS=600 bash tests/fuzz/run.sh   a longer run
#
# New inputs the fuzzers find go to a temporary folder, never into the committed corpus.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${FUZZ_SECONDS:-25}
build=${FUZZ_BUILD_DIR:-build-fuzz}
cxx=${FUZZ_CXX:-clang++-14}
fuzz_dir=tests/fuzz

if ! command -v "$cxx" >/dev/null; then
    echo "fuzz: $cxx not found (./run.sh fuzz installs clang-14 and libclang-rt-14-dev)" >&2
    exit 2
fi

mkdir -p "$build"
logs=$build/fuzz-logs
artifacts=$build/fuzz-artifacts
mkdir -p "$logs" "$artifacts"

step() { # step NAME COMMAND...: runs the command with its output in a log, shown on failure
    local name=$1
    shift
    if ! "$@" >"$logs/$name.log" 2>&1; then
        tail -n 40 "$logs/$name.log" >&2
        echo "fuzz: $name failed (whole log: $logs/$name.log)" >&2
        exit 1
    fi
}

started=$SECONDS
step configure cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCOPPIX_FUZZ=ON
step build cmake --build "$build" --parallel "${JOBS:-$(nproc)}" --target fuzz_sound_files fuzz_start_picture
echo "fuzz: built in $((SECONDS - started)) s; fuzzing each target for $seconds s"

work=$(mktemp -d "${TMPDIR:-/tmp}/coppix-fuzz.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

# fuzz TARGET DICT MAX_LEN SEED_FOLDER...: starts the target in the background; the first
# corpus folder, in $work, takes what is new, the seed folders are only read.
fuzz() {
    local target=$1 dict=$2 max_len=$3
    shift 3
    local out=$work/$target
    mkdir -p "$out"
    # libFuzzer stops itself after max_total_time; the outer limit is for a hang outside
    # the inputs (loading, exiting), which -timeout does not see.
    timeout --kill-after=10 $((seconds + 60)) \
        "$build/fuzz/$target" \
        -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len="$max_len" \
        -dict="$fuzz_dir/$dict" -artifact_prefix="$artifacts/$target-" -print_final_stats=1 \
        "$out" "$@" >"$logs/$target.log" 2>&1 &
    pids+=($!)
}

# The game's own card sound and songs are seeds too.
mkdir -p "$work/fuzz_sound_files"
cp media/carta.wav "$work/fuzz_sound_files/"

fuzz fuzz_sound_files sound.dict 65536 "$fuzz_dir/corpus/sound" media/music
fuzz fuzz_start_picture picture.dict 65536 "$fuzz_dir/corpus/picture"

failed=0
targets=(fuzz_sound_files fuzz_start_picture)
for i in "${!targets[@]}"; do
    target=${targets[$i]}
    status=0
    wait "${pids[$i]}" || status=$?
    log=$logs/$target.log
    final_stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -n 1; }
    coverage=$(grep -o 'DONE *cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$' || true)
    if [ "$status" -eq 0 ]; then
        echo "fuzz: $target ok: $(final_stat number_of_executed_units) runs in $seconds s," \
             "$(final_stat average_exec_per_sec)/s, coverage ${coverage:-?}, $(final_stat new_units_added) new inputs," \
             "peak $(final_stat peak_rss_mb) MB"
    else
        failed=1
        what=$(grep -m 1 -E '^(SUMMARY: |==[0-9]+==ERROR: )' "$log" || true)
        saved=$(grep -o "Test unit written to .*" "$log" | tail -n 1 | sed 's/Test unit written to //' || true)
        echo "fuzz: $target FAILED (exit $status): ${what:-see the log}"
        echo "fuzz:   input: ${saved:-none saved}; log: $log"
        if [ -n "$saved" ]; then
            echo "fuzz:   again: $build/fuzz/$target $saved"
        fi
    fi
done
echo "fuzz: done in $((SECONDS - started)) s"
exit "$failed"
