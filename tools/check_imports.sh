#!/usr/bin/env bash
# Fails when a Windows program imports a DLL that is not a Known DLL of the
# system (those are always loaded from the system directory), or a runtime DLL.
#   check_imports.sh OBJDUMP program.exe...
set -u
objdump=$1; shift
known=" advapi32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll "
status=0
for program in "$@"; do
  while read -r dll; do
    lower=$(tr 'A-Z' 'a-z' <<<"$dll")
    case "$known" in
      *" $lower "*) ;;
      *) echo "$(basename "$program") imports $dll, which is not a Known DLL"; status=1 ;;
    esac
  done < <("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p')
  [ $status -eq 0 ] && echo "$(basename "$program"): imports Known DLLs only"
done
exit $status
