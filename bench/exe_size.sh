#!/usr/bin/env bash
# Size of the shipped (stripped) instalator.exe and the DLLs it imports. Aim: at most 64 KiB, and
# every import a DLL that Windows itself provides.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
build_all -DINSTALLER_TESTS=OFF >/dev/null

exe="$BUILD/package/instalator.exe"
size=$(stat -c %s "$exe")
echo "instalator.exe: $size bytes ($(( (size + 1023) / 1024 )) KiB of the 64 KiB aim; ratio $(awk "BEGIN{printf \"%.2f\", $size/65536}"))"
echo "imports:"
system_dlls='^(KERNEL32|USER32|ADVAPI32|GDI32|msvcrt|SHELL32|ole32)\.dll$'
status=0
while read -r dll; do
  if [[ "$dll" =~ $system_dlls ]]; then
    echo "  $dll (system)"
  else
    echo "  $dll (NOT a system DLL)"
    status=1
  fi
done < <(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
[ "$size" -le 65536 ] || status=1
exit $status
