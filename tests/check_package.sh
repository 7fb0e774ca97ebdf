#!/usr/bin/env bash
# Fails when the release zip is not what a user should get: exactly the
# program and its read-me at the top, both as built, and a read-me that every
# Notepad opens as Japanese text (UTF-8 with a byte-order mark, CRLF line
# ends, nothing that Shift-JIS lacks).
# Usage: check_package.sh dusklid-X.Y-win64.zip dusklid.exe ReadMe.txt
set -euo pipefail
zip=$(realpath -m "$1") exe=$2 readme=$3  # absolute: it is unpacked from another folder
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/tally.sh"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
# The read-me checks read the packaged one, or the source's when there is none.
if [ -f "$zip" ]; then (cd "$unpacked" && cmake -E tar xf "$zip") || true; fi
file=$unpacked/ReadMe.txt
[ -f "$file" ] || file=$readme

package_contents() {
    [ -f "$zip" ] || { echo "no package at $zip"; return 1; }
    local listing
    listing=$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')
    [ "$listing" = "ReadMe.txt dusklid.exe " ] || { echo "package holds: $listing"; return 1; }
    cmp -s "$unpacked/dusklid.exe" "$exe" || { echo "packaged dusklid.exe differs from the build"; return 1; }
    cmp -s "$unpacked/ReadMe.txt" "$readme" || { echo "packaged ReadMe.txt differs from the source"; return 1; }
}
readme_encoding() {
    [ "$(head -c 3 "$file" | od -An -tx1 | tr -d ' ')" = efbbbf ] || { echo "no UTF-8 byte-order mark"; return 1; }
    # No carriage return inside a line, none missing at a line's end, and a line end at the end.
    ! LC_ALL=C grep -q $'\r.' "$file" && ! LC_ALL=C grep -qv $'\r$' "$file" ||
        { echo "a line end that is not CRLF"; return 1; }
    [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" = 0d0a ] || { echo "no line end at the end"; return 1; }
    tail -c +4 "$file" | iconv -f UTF-8 -t CP932 >/dev/null 2>&1 || { echo "text that Shift-JIS cannot hold"; return 1; }
}
readme_sections() {
    local heading previous=0 line bad=0
    for heading in 概要 動作環境 インストールと削除 使い方 画面を元に戻すには 環境設定 設定ファイル キャプチャ 注意事項 更新履歴; do
        line=$(grep -n "^【${heading}】" "$file" | head -n 1 | cut -d: -f1)
        if [ -z "$line" ]; then echo "no section 【${heading}】"; bad=1
        elif [ "$line" -le "$previous" ]; then echo "section 【${heading}】 out of order"; bad=1
        else previous=$line
        fi
    done
    grep -q 'Dusklid v1\.6' "$file" || { echo "the read-me names no version"; bad=1; }
    return $bad
}
run_checks package_contents readme_encoding readme_sections
say_tally package
