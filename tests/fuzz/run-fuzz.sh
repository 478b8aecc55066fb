#!/usr/bin/env bash
# Builds the reply fuzz target with clang and runs a bounded number of inputs.
#   tests/fuzz/run-fuzz.sh [RUNS] [WORK_DIR]
set -euo pipefail
runs=${1:-200000}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${2:-$root/build/fuzz}
mkdir -p "$work/corpus"

clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root/protocol" -I"$root/app" \
    "$here/reply_fuzz.cpp" "$root/protocol/reply_format.cpp" \
    "$root/protocol/settings_format.cpp" "$root/protocol/card_id_format.cpp" \
    -o "$work/reply_fuzz"

# A few real replies to start from.
seed() { printf "$2" >"$work/corpus/$1"; }
seed ehu '\n\rAT+READS_EHU - OK! >> 1.10W261DO'
seed ehm '\n\rAT+READS_EHM - OK! >> 1.10W581DO'
seed usb '\n\rAT+READS_USB - OK! >> 1.00WHDH5EM'
seed ack '\n\rAT+TMX1AF - OK!'
seed unknown '\n\rAT+READS_EHX - UNKNOWN CMD!'
seed card '\n\rAT+IDS - OK! >> 0000000255 0168496141.'

"$work/reply_fuzz" -runs="$runs" -max_len=80 -dict="$here/reply_fuzz.dict" \
    -artifact_prefix="$work/" "$work/corpus"
