#!/usr/bin/env bash
# GNU ld 2.40 writes no load-configuration directory for _load_config_used, so Windows would never
# read it. Points data directory 10 of the linked 32-bit exe at the structure (64 bytes).
# Usage: set_load_config.sh <exe> <linker map> <objdump>
set -euo pipefail
exe=$1 map=$2 objdump=$3

address=$(awk '($2 == "_load_config_used" || $2 == "__load_config_used") && !found { found = $1 } END { print found }' "$map")
base=$("$objdump" -p "$exe" | awk '$1 == "ImageBase" { base = $2 } END { print base }')
[ -n "$address" ] && [ -n "$base" ] || { echo "set_load_config: no _load_config_used in $map" >&2; exit 1; }
rva=$(( address - 0x$base ))

pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
magic=$(od -An -tx2 -j$(( pe + 24 )) -N2 "$exe" | tr -d ' ')
[ "$(( 16#$magic ))" -eq 267 ] || { echo "set_load_config: $exe is not a 32-bit PE image" >&2; exit 1; }

le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(( $1 & 255 )) $(( ($1 >> 8) & 255 )) $(( ($1 >> 16) & 255 )) $(( ($1 >> 24) & 255 )); }
# PE signature (4) + file header (20) + the PE32 optional header's 96 bytes before its directories.
printf "$(le32 $rva)$(le32 64)" | dd of="$exe" bs=1 seek=$(( pe + 24 + 96 + 10 * 8 )) conv=notrunc status=none

# The header's checksum covered the old directory entry: recompute it as the image loader's
# CheckSumMappedFile does (16-bit words with carries folded, the field itself counted as zero, plus
# the file's length), so that the file stays what the linker would have written.
field=$(( pe + 24 + 64 ))
size=$(stat -c %s "$exe")
checksum=$(od -An -tu2 -v -w2 "$exe" | awk -v skip=$(( field / 2 )) '
  NR - 1 == skip || NR - 1 == skip + 1 { next }
  { sum += $1; sum = (sum % 65536) + int(sum / 65536) }
  END { print sum }')
printf "$(le32 $(( (checksum & 0xffff) + size )))" | dd of="$exe" bs=1 seek=$field conv=notrunc status=none
