#!/usr/bin/env bash
# Fails when dusklid.exe is not a GUI program or imports a DLL that is not
# part of Windows itself (a MinGW runtime DLL, say), which a user would lack.
set -euo pipefail
exe=$1
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
passed=0 failed=0
check() {
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}
gui_subsystem() { grep -qE '^Subsystem[[:space:]]+00000002' <<<"$headers" || { echo "not a GUI program"; return 1; }; }
system_imports_only() {
    local dll bad=0
    for dll in $(awk '/DLL Name:/ {print $3}' <<<"$headers"); do
        case "${dll,,}" in
            kernel32.dll|user32.dll|gdi32.dll|shell32.dll|msvcrt.dll|ole32.dll|oleaut32.dll|comdlg32.dll|comctl32.dll|advapi32.dll) ;;
            *) echo "imports $dll, which Windows does not ship"; bad=1 ;;
        esac
    done
    return $bad
}
check gui_subsystem
check system_imports_only
echo "imports: $passed passed, $failed failed"
