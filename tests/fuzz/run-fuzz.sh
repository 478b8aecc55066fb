#!/usr/bin/env bash
# Builds one fuzz target with clang and runs a bounded number of inputs.
#   tests/fuzz/run-fuzz.sh reply|profile|config [RUNS] [WORK_DIR]
set -euo pipefail
target=${1:?usage: run-fuzz.sh reply|profile|config [RUNS] [WORK_DIR]}
runs=${2:-200000}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${3:-$root/build/fuzz}/$target
rm -rf "$work/corpus"
mkdir -p "$work/corpus"
work=$(cd "$work" && pwd)

case $target in
reply) max_len=80 sources=(protocol/reply_format.cpp protocol/settings_format.cpp
                            protocol/card_id_format.cpp protocol/reader_format.cpp) ;;
profile) max_len=256 sources=(protocol/profile_format.cpp protocol/settings_format.cpp) ;;
config) max_len=128 sources=(ui/config_format.cpp) ;;
*) echo "run-fuzz.sh: unknown target $target" >&2; exit 2 ;;
esac
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root/protocol" -I"$root/ui" -I"$root/serial" -I"$root/res" \
    "$here/${target}_fuzz.cpp" "${sources[@]/#/$root/}" -o "$work/${target}_fuzz"

# A few real inputs to start from.
seed() { printf "$2" >"$work/corpus/$1"; }
case $target in
reply)
    seed ehu '\n\rAT+READS_EHU - OK! >> 1.10W261DO'
    seed ehm '\n\rAT+READS_EHM - OK! >> 1.10W581DO'
    seed usb '\n\rAT+READS_USB - OK! >> 1.00WHDH5EM'
    seed ack '\n\rAT+TMX1AF - OK!'
    seed unknown '\n\rAT+READS_EHX - UNKNOWN CMD!'
    seed card '\n\rAT+IDS - OK! >> 0000000255 0168496141.' ;;
profile)
    seed ehx '# Varko-7EHM 1.10 on /dev/ttyUSB0\nfamily = ehx\ninterface = wiegand26\nindication = direct\nstandby = static\ntouch-poll = on\n'
    seed usb 'FAMILY=USB\r\nmode = Multi-OS  # site B\r\noutput = dec\nid-bytes = 7\ncards = hid-em\n'
    seed bad 'family = ehx\ninterface = wiegand26\ninterface = wiegand44\n' ;;
config)
    seed ru 'Language = RU;\r\nTabCtrl = EHU_EHM;\r\n'
    seed en 'Language = EN;\nTabCtrl = USB_USB;\nmore\n' ;;
esac

cd "$work"
dict=()
[[ -f $here/${target}_fuzz.dict ]] && dict=(-dict="$here/${target}_fuzz.dict")
"./${target}_fuzz" -runs="$runs" -max_len=$max_len "${dict[@]}" -artifact_prefix="$work/" "$work/corpus"
