#!/bin/sh
# Runs every libFuzzer target for a bounded time, starting from the checked-in seeds.
# Usage: runFuzzers.sh BUILD_FUZZ_DIR SECONDS
# New inputs and crash files stay under BUILD_FUZZ_DIR; the checked-in corpus is only read.
set -e
bin="$1"
seconds="${2:-30}"
seeds="$(cd "$(dirname "$0")" && pwd)/corpus"
status=0
summary=""
set -- "$bin"/*Fuzz
if [ ! -x "$1" ]; then
    echo "no fuzz targets (*Fuzz) in '$bin': build them first" >&2
    exit 1
fi
for target; do
    name=$(basename "$target" Fuzz)
    work="$bin/work/$name"
    mkdir -p "$work/corpus" "$work/artifacts"
    echo "== ${name}Fuzz for ${seconds}s"
    # stdout closed (-close_fd_mask=1): the readers' trace lines would drown the report.
    if "$target" -max_total_time="$seconds" -timeout=10 -close_fd_mask=1 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "$seeds/$name" >"$work/log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
        tail -n 60 "$work/log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")
    summary="$summary
${name}Fuzz: $result, ${runs:-?} runs, ${rate:-?}/s"
done
echo "$summary"
exit $status
