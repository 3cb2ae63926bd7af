#!/usr/bin/env bash
# orlousb.dll exports exactly the functions of orlousb.h, undecorated, and
# imports from the system's own DLLs only.
#
#   dll_exports.sh OBJDUMP DLL HEADER
set -euo pipefail
objdump=$1 dll=$2 header=$3
dump=$("$objdump" -p "$dll")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -o 'ousb_[A-Za-z]*' | sort)
declared=$(grep -o 'ousb_[A-Za-z]*(' "$header" | tr -d '(' | sort)
if [ "$exports" != "$declared" ]; then
    diff <(echo "$declared") <(echo "$exports") || true
    echo "exports differ from the header"; exit 1
fi
system='^(KERNEL32|USER32|HID|SETUPAPI|msvcrt|ADVAPI32)\.dll$'
imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print $3}')
if grep -viE "$system" <<<"$imports"; then
    echo "imports beyond the system's DLLs"; exit 1
fi
echo "$(wc -l <<<"$exports") exports; imports: $(echo $imports)"
