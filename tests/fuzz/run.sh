#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a bounded time (default 30 s
# each, or the first argument). Fails when a target finds a crash or a sanitizer report.
# Usage: tests/fuzz/run.sh [seconds] [build folder]
set -eu
seconds=${1:-30}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${2:-$source_dir/build-fuzz}

cmake -S "$source_dir" -B "$build_dir" -DVELLORY_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DVELLORY_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j2 --target profile_fuzz val_fuzz xsettings_fuzz

for target in profile_fuzz val_fuzz xsettings_fuzz; do
    corpus="$build_dir/tests/fuzz/corpus-$target"
    mkdir -p "$corpus"
    echo "fuzz: $target for ${seconds}s"
    # -rss_limit_mb bounds memory; a crash, a leak or a sanitizer report exits non-zero.
    (cd "$build_dir/tests/fuzz" &&
        "./$target" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=4096 \
            -print_final_stats=1 "$corpus")
done
echo "fuzz: no crash"
