#!/bin/sh
# Builds every libFuzzer target and runs each for a short while.
# Usage: fuzz/run-short.sh [seconds per target, default 60]
# The build goes to build-fuzz, or to the folder PLENARVO_FUZZ_BUILD names.
# Exits non-zero when a target fails to build or a run finds a crash, leak, memory
# overrun or runaway allocation. An input that takes longer than the time limit is
# run again alone, without nice, and fails the run only when it is slow again on
# its own (a busy machine slows a fuzzer down, not the program). Every finding's
# file is kept under the build folder's findings/ and its path printed.
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
    -DPLENARVO_FUZZ=ON -DPLENARVO_TESTS=OFF -DPLENARVO_BENCH=OFF -DPLENARVO_WERROR=ON >/dev/null
cmake --build "$build" -j2
findings="$build/findings"

# Whether a run left an input behind that took too long.
slow_input_left() {
    for f in "$1"/timeout-* "$1"/slow-unit-*; do
        case $f in
        *.alone.log) ;;
        *) [ -e "$f" ] && return 0 ;;
        esac
    done
    return 1
}

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
    kept="$findings/$name"
    rm -rf "$kept"
    mkdir -p "$kept"
    log="$kept/run.log"
    rc=0
    (cd "$work" && nice -n "${PLENARVO_FUZZ_NICE:-10}" "$target" -max_total_time="$seconds" \
        -rss_limit_mb="$rss_mb" -malloc_limit_mb="$rss_mb" -timeout="$timeout_s" -max_len=65536 \
        -artifact_prefix="$kept/" -print_final_stats=1 "$work" >"$log" 2>&1) || rc=$?
    tail -n 12 "$log"
    rm -rf "$work"
    failed=0
    for finding in "$kept"/*; do
        case $(basename "$finding") in
        run.log) ;;
        timeout-* | slow-unit-*)
            # Slow under load; the verdict is the input's run alone.
            if "$target" -rss_limit_mb="$rss_mb" -malloc_limit_mb="$rss_mb" \
                -timeout="$timeout_s" "$finding" >"$finding.alone.log" 2>&1; then
                echo "$name: $finding was slow only beside other work; alone it took under ${timeout_s}s" >&2
            else
                echo "$name: $finding is slow on its own too (see $finding.alone.log)" >&2
                failed=1
            fi
            ;;
        *.alone.log) ;;
        *)
            echo "$name: finding kept in $finding" >&2
            failed=1
            ;;
        esac
    done
    # A run that failed for any other reason (a leak at exit, a crash of the
    # fuzzer itself) fails too.
    if [ "$rc" -ne 0 ] && ! slow_input_left "$kept"; then
        echo "$name: the run failed ($rc), see $log" >&2
        failed=1
    fi
    if [ "$failed" -ne 0 ]; then
        status=1
    elif ! slow_input_left "$kept"; then
        rm -rf "$kept"
    fi
done
exit $status
