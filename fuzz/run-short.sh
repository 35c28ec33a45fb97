#!/bin/sh
# Builds every libFuzzer target and runs each for a short while.
# Usage: fuzz/run-short.sh [seconds per target, default 60]
# The build goes to build-fuzz, or to the folder PLENARVO_FUZZ_BUILD names.
# Exits non-zero when a target fails to build or a run finds a crash, leak, hang,
# slow input or runaway allocation: every input must finish within the time limit
# and the whole run stay under the memory limit.
# PLENARVO_FUZZ_ONLY names one target to run; PLENARVO_FUZZ_NICE sets the niceness.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PLENARVO_FUZZ_BUILD:-$root/build-fuzz}"
corpus="$root/../shared/corpus"
# A hostile file may cost a moment and bounded memory, never more. The limit per
# input leaves room for the sanitizers on a slow machine (every input found slow
# under load took under 0.6 s with them).
timeout_s=5
rss_mb=1024

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DPLENARVO_PICTURES_ONLY=ON \
    -DPLENARVO_FUZZ=ON -DPLENARVO_TESTS=OFF -DPLENARVO_BENCH=OFF >/dev/null
cmake --build "$build" -j2

status=0
for target in $(find "$build/fuzz" -maxdepth 2 -type f -name '*_fuzz' -perm -u+x); do
    name=$(basename "$target")
    kind=${name%_fuzz}
    if [ -n "${PLENARVO_FUZZ_ONLY:-}" ] && [ "$name" != "$PLENARVO_FUZZ_ONLY" ]; then
        continue
    fi
    work=$(mktemp -d)
    # Seeds: the corpus files of the target's kind, when the corpus is there.
    # The raster target takes every raster format's files.
    kinds=$kind
    if [ "$kind" = raster ]; then
        kinds="bmp gif ico jpeg"
    elif [ "$kind" = jpeg_head ]; then
        kinds=jpeg
    fi
    for k in $kinds; do
        if [ -d "$corpus/$k" ]; then
            find "$corpus/$k" -type f ! -name '*.png' -exec cp {} "$work/" \;
        fi
    done
    # and the seeds kept with the target.
    if [ -d "$root/fuzz/$kind/seeds" ]; then
        cp "$root/fuzz/$kind/seeds/"* "$work/"
    fi
    echo "== $name for ${seconds}s"
    supp="$root/fuzz/$kind/lsan.supp"
    if [ -f "$supp" ]; then
        export LSAN_OPTIONS="suppressions=$supp"
    else
        unset LSAN_OPTIONS || true
    fi
    log=$(mktemp)
    if ! (cd "$work" && nice -n "${PLENARVO_FUZZ_NICE:-10}" "$target" -max_total_time="$seconds" \
            -rss_limit_mb="$rss_mb" -malloc_limit_mb="$rss_mb" -timeout="$timeout_s" -max_len=65536 -print_final_stats=1 "$work" >"$log" 2>&1); then
        status=1
    fi
    tail -n 12 "$log"
    rm -f "$log"
    # libFuzzer leaves crash-, leak- or timeout- files behind on a finding.
    if ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$work"/slow-unit-* >/dev/null 2>&1; then
        echo "$name: finding kept in $work" >&2
        status=1
    else
        rm -rf "$work"
    fi
done
exit $status
