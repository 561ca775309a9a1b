#!/usr/bin/env bash
# Runs the libFuzzer targets of fuzz/ for a given time.
#
#   scripts/fuzz.sh TARGET SECONDS     one target (listing, kv_output, string_list, substitute,
#                                      arguments, kvls_filter)
#   scripts/fuzz.sh all SECONDS        every target at once, each for SECONDS, under nice -n 19
#
# Builds the "fuzz" preset (clang-14, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into FUZZ_BUILD_DIR (default build-fuzz), installing clang when missing. Each target starts from
# a copy of its seed corpus fuzz/corpus/TARGET and works in FUZZ_WORK_DIR/TARGET (default
# FUZZ_BUILD_DIR/runs): new corpus entries in corpus/, findings as crash-*, leak-*, timeout-* or
# oom-* files, the log in fuzz.log. The seed corpus in the repository is never written; copy a
# finding there by hand once it is fixed. Exit status 1 when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(listing kv_output string_list substitute arguments kvls_filter)
# Longest input per target: listings and string-list operation streams need room, argument
# lists and templates do not.
declare -A max_len=([listing]=16384 [kv_output]=4096 [string_list]=4096 [substitute]=2048
                    [arguments]=1024 [kvls_filter]=4096)

usage() {
    echo "usage: $0 TARGET|all SECONDS   (TARGET: ${targets[*]})" >&2
    exit 2
}

[ $# -eq 2 ] || usage
selected=("$1")
[ "$1" = all ] && selected=("${targets[@]}")
seconds=$2
[[ "$seconds" =~ ^[0-9]+$ ]] || usage
for target in "${selected[@]}"; do
    [ -n "${max_len[$target]:-}" ] || usage
done

missing=()
for package in cmake ninja-build clang-14 libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
work_dir=${FUZZ_WORK_DIR:-$build_dir/runs}
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 --target "${selected[@]/#/fuzz_}"

run_target() {
    local target=$1 dir=$work_dir/$1
    mkdir -p "$dir/corpus"
    cp -n fuzz/corpus/"$target"/* "$dir/corpus/" 2>/dev/null || true
    nice -n 19 "$build_dir/bin/fuzz_$target" "$dir/corpus" \
        -max_total_time="$seconds" -max_len="${max_len[$target]}" -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$dir/" >"$dir/fuzz.log" 2>&1
}

pids=()
for target in "${selected[@]}"; do
    run_target "$target" &
    pids+=($!)
done
status=0
for i in "${!selected[@]}"; do
    target=${selected[$i]}
    if ! wait "${pids[$i]}"; then
        status=1
    fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work_dir/$target/fuzz.log" | grep -o '[0-9]*$' || echo "?")
    findings=$(find "$work_dir/$target" -maxdepth 1 -name 'crash-*' -o -maxdepth 1 -name 'leak-*' \
               -o -maxdepth 1 -name 'timeout-*' -o -maxdepth 1 -name 'oom-*' | wc -l)
    echo "$target: ${runs} executions in ${seconds} s, ${findings} finding(s), log $work_dir/$target/fuzz.log"
done
exit $status
