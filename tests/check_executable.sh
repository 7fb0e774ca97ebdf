#!/usr/bin/env bash
# Fails when dusklid.exe is not what a user should download: a 64-bit GUI
# program with ASLR, DEP and stack canaries that imports only DLLs Windows
# ships and loads at start-up no library that only a picture or a dialog needs.
# Usage: check_executable.sh dusklid.exe [dusklid.map]
set -euo pipefail
exe=$1
map=${2:-${exe%.exe}.map}
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers")
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/tally.sh"
x64_gui_program() {
    grep -q 'file format pei-x86-64' <<<"$headers" || { echo "not a 64-bit program"; return 1; }
    grep -qE '^Subsystem[[:space:]]+00000002' <<<"$headers" || { echo "not a GUI program"; return 1; }
}
system_imports_only() {
    local others
    others=$(grep -vxE '(kernel32|user32|gdi32|shell32|msvcrt|ole32|oleaut32|comdlg32|comctl32|advapi32)\.dll' \
        <<<"$imports") || return 0
    echo "imports ${others//$'\n'/ }, which Windows does not ship"; return 1
}
# Named in the program for the delay-load helper, absent from the import table.
delay_loaded() {
    local dll bad=0 names
    names=$(x86_64-w64-mingw32-strings "$exe")
    for dll in comdlg32.dll comctl32.dll ole32.dll oleaut32.dll; do
        if grep -qx "$dll" <<<"$imports"; then echo "$dll is loaded at start-up"; bad=1
        elif ! grep -qix "$dll" <<<"$names"; then echo "$dll is not delay-loaded"; bad=1
        fi
    done
    return $bad
}
# A missing library or function must fail the feature, not end the program:
# every function the delay-import lists name has its stand-in.
delay_load_stand_ins() {
    local root name bad=0
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    for name in $(awk 'FNR == 1 {listed = 0} listed {print $1} /^EXPORTS/ {listed = 1}' \
                  "$root"/cmake/delay-load/*.def); do
        grep -q "{\"$name\"," "$root/src/app/delay_load_failure.cpp" ||
            { echo "$name has no stand-in for a failed delay-load"; bad=1; }
    done
    return $bad
}
# objdump lists each flag of DllCharacteristics on a line of its own.
dll_characteristics() {
    local flag bad=0 flags
    flags=$(sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' <<<"$headers")
    for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
        grep -qw "$flag" <<<"$flags" || { echo "DllCharacteristics lacks $flag"; bad=1; }
    done
    return $bad
}
# Without relocations the loader cannot move the image, whatever the flags say.
relocations() {
    grep -qE '^[[:space:]]*[0-9]+ \.reloc[[:space:]]+0*[1-9a-f]' <<<"$(x86_64-w64-mingw32-objdump -h "$exe")" ||
        { echo "no .reloc section"; return 1; }
    grep -qE '^Entry 5 [0-9a-f]+ 0*[1-9a-f][0-9a-f]* Base Relocation Directory' <<<"$headers" ||
        { echo "empty base relocation directory"; return 1; }
}
# The binary is stripped, so the linker's map tells that the canary's value
# and failure handler are the program's own (libssp's seeding would load a
# crypto provider at start-up) and that functions check it; the import table
# tells that it is seeded from the system's random source.
stack_protector() {
    [ -f "$map" ] || { echo "no linker map at $map"; return 1; }
    local symbol
    for symbol in __stack_chk_fail __stack_chk_guard; do
        awk -v s="$symbol" '$1 ~ /^\./ {from = $NF} $2 == s {print from}' "$map" |
            grep -q 'stack_canary\.cpp' || { echo "$symbol is not the program's own"; return 1; }
    done
    [ "$(grep -c 'refptr\.__stack_chk_guard' "$map")" -gt 1 ] ||
        { echo "no function checks the canary"; return 1; }
    grep -qw SystemFunction036 <<<"$headers" || { echo "the canary is not seeded"; return 1; }
}
run_checks x64_gui_program system_imports_only delay_loaded delay_load_stand_ins \
    dll_characteristics relocations stack_protector
say_tally executable
