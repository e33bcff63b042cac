#!/usr/bin/env bash
# The Windows programs of the zip run on a bare Windows: every DLL they import
# must be one the system has, and each carries the release's version in its
# version resource (file properties).
#   check_imports.sh <objdump> <version> <program.exe>...
set -euo pipefail
objdump=$1 version=$2
shift 2
system_dlls=" kernel32.dll user32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll comctl32.dll
  comdlg32.dll advapi32.dll winmm.dll ddraw.dll msvcrt.dll ws2_32.dll shlwapi.dll version.dll "
status=0
for exe in "$@"; do
  name=$(basename "$exe")
  dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  if [[ -z "$dlls" ]]; then
    echo "FAIL $name: no import table found"
    status=1
  fi
  for dll in $dlls; do
    if [[ "$system_dlls" != *" $dll "* && "$dll" != api-ms-win-* ]]; then
      echo "FAIL $name imports $dll, which is not a system DLL (it would have to be shipped)"
      status=1
    fi
  done
  echo "$name imports: $(echo $dlls)"
  # VERSIONINFO texts are UTF-16: the version, and the program's own name.
  texts=$(strings -el "$exe")
  for want in FileVersion "$version" "$name"; do
    if ! grep -qxF "$want" <<<"$texts"; then
      echo "FAIL $name: no \"$want\" in its version resource"
      status=1
    fi
  done
done
exit $status
