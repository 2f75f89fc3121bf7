#!/usr/bin/env bash
# The Wine stage: runs the Windows build under Wine and holds it to the Linux
# build's behaviour.
#  1. tomel_tests.exe (the unit suites that need no child processes);
#  2. every example and every document of make_documents, plus the error
#     paths and file situations below, converted by build/tomel and by
#     tomel.exe in twin directories: standard output, status and every file
#     left behind must be identical, byte for byte;
#  3. the command-line split and the wildcards, with exact strings through
#     launch.exe;
#  4. tomel-export.exe against build/tomel-export: every example and
#     document in every format, and its command-line and file errors;
#  5. tomel-drop.exe started as Explorer starts it, with names cmd.exe could
#     not pass (& ^ ! % , ; = and other alphabets), a damaged file, a
#     missing one and a folder among them.
# Usage: tests/wine/run.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
cd "$(dirname "$0")/../.."

linux=$(realpath "${1:-build-test}")
windows=$(realpath "${2:-build-win}")
export WINEPREFIX=$windows/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
work=$(mktemp -d)
# One wineserver for the whole stage: started and stopped per program, a new
# client can meet the old server as it exits ("recvmsg: Connection reset").
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
passed=0
failed=0

pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAILED: $*"
}

echo "== Unit tests under Wine ($(wine --version))"
if wine "$windows/tests/tomel_tests.exe" --gtest_brief=1 >"$work/unit.log" 2>&1; then
    pass
    grep -E '^\[  PASSED  \]' "$work/unit.log"
else
    fail "tomel_tests.exe"
    tail -n 40 "$work/unit.log"
fi

# scenario NAME SETUP-FUNCTION ARGS...: sets up twin directories, runs both
# builds of $program there with ARGS and compares everything.
program=tomel
scenario() {
    local name=$1 setup=$2
    shift 2
    local dir=$work/scenarios/$name
    mkdir -p "$dir/linux"
    (cd "$dir/linux" && $setup)
    local status=0
    (cd "$dir/linux" && "$linux/$program" "$@" >../linux.out 2>../linux.err) || status=$?
    echo "$status" >"$dir/linux.status"
    # tomel.exe always says something and ends with 0 or 255 (tomel-export.exe
    # with 0, 1 or 2); anything else is Wine failing to start it, seen now and
    # then on a loaded machine: the run is repeated (twice at most) in a fresh
    # directory.
    for attempt in 1 2 3; do
        rm -rf "$dir/windows" && mkdir -p "$dir/windows"
        (cd "$dir/windows" && $setup)
        status=0
        (cd "$dir/windows" && wine "$windows/$program.exe" "$@" >../windows.out 2>../windows.err) || status=$?
        if { [ -s "$dir/windows.out" ] || [ -s "$dir/windows.err" ]; } &&
            [[ " 0 1 2 255 " == *" $status "* ]]; then break; fi
        [ "$attempt" == 3 ] || echo "note: $name: Wine gave status $status and no line, run again"
    done
    echo "$status" >"$dir/windows.status"
    if diff -r --no-dereference "$dir/linux" "$dir/windows" >"$dir/diff" && cmp -s "$dir/linux.out" "$dir/windows.out" &&
        cmp -s "$dir/linux.status" "$dir/windows.status" && cmp -s "$dir/linux.err" "$dir/windows.err"; then
        pass
    else
        fail "$name ($*): Linux $(cat "$dir/linux.status") '$(head -c 200 "$dir/linux.out")', Windows $(cat \
            "$dir/windows.status") '$(head -c 200 "$dir/windows.out")'"
        head -n 5 "$dir/diff" "$dir/windows.err"
    fi
}

echo "== Documents, error paths and file situations: tomel.exe against the Linux build"
mkdir -p "$work/documents"
cp examples/*.edg "$work/documents/"
"$linux/tests/make_documents" "$work/documents"
for document in "$work"/documents/*.edg; do
    base=$(basename "$document")
    eval "copy_$((passed + failed))() { cp '$document' '$base'; }"
    scenario "$base" "copy_$((passed + failed))" psd "$base"
done

valid=$work/documents/pages.edg
damaged=$(ls "$work"/documents/*-flipped.edg | head -n1)
none() { :; }
two_valid() { cp "$valid" a.edg && cp "$valid" c.edg; }
directory() { mkdir pics.edg; }
older_kept() { cp "$damaged" x.edg && printf 'older output' >x.psd; }
older_replaced() { cp "$valid" x.edg && printf 'older output' >x.psd; }
output_is_directory() { cp "$valid" x.edg && mkdir x.psd; }
upper_case() { cp "$valid" cat.EDG; }
in_subdirectory() { mkdir art && cp "$valid" art/cat.edgg; }
input_is_link_to_output() { cp "$valid" s.psd && ln -s s.psd s.edg; }
output_is_link_to_input() { cp "$valid" t.edg && ln -s t.edg t.psd; }
hard_links() { cp "$valid" h.edg && ln h.edg h.psd; }
link_loop() { ln -s loop.edg loop.edg; }
long_name=$(printf 'n%.0s' $(seq 300)).edg
scenario usage-none none
scenario usage-word-only two_valid psd
scenario usage-upper-case two_valid PSD a.edg
scenario missing-second two_valid psd a.edg missing.edg c.edg
scenario empty-path none psd ""
scenario directory directory psd pics.edg
scenario damaged-older-kept older_kept psd x.edg
scenario older-replaced older_replaced psd x.edg
scenario output-is-directory output_is_directory psd x.edg
scenario upper-case-extension upper_case psd cat.EDG
scenario same-path-twice two_valid psd a.edg a.edg
scenario subdirectory in_subdirectory psd art/cat.edgg
scenario input-is-link-to-output input_is_link_to_output psd s.edg
scenario output-is-link-to-input output_is_link_to_input psd t.edg
scenario hard-links hard_links psd h.edg
scenario link-loop link_loop psd loop.edg
scenario name-too-long none psd "$long_name"

# Report lines that cannot be written: the conversions happen, the status is 255.
for build in linux windows; do
    mkdir -p "$work/full/$build"
    cp "$valid" "$work/full/$build/a.edg"
done
linux_status=0
(cd "$work/full/linux" && "$linux/tomel" psd a.edg >/dev/full) || linux_status=$?
windows_status=0
(cd "$work/full/windows" && wine "$windows/tomel.exe" psd a.edg >/dev/full) || windows_status=$?
if [ "$linux_status" == 255 ] && [ "$windows_status" == 255 ] && diff -r "$work/full/linux" "$work/full/windows" >/dev/null &&
    [ -f "$work/full/windows/a.psd" ]; then
    pass
else
    fail "standard output full: Linux $linux_status, Windows $windows_status"
fi

echo "== Command-line split: exact command-line strings"
# split CASE-NAME 'COMMAND LINE' 'EXPECTED OUTPUT' EXPECTED-STATUS
split() {
    local dir=$work/split/$1
    mkdir -p "$dir/dir"
    cp "$valid" "$dir/a b.edg"
    cp "$valid" "$dir/dir/x.edg"
    cp "$valid" "$dir/x.edg"
    cp "$valid" "$dir/猫ĉ.edg"
    local status=0 out
    out=$(cd "$dir" && printf '%s' "$2" | wine "$windows/tests/launch.exe" "$windows/tomel.exe") || status=$?
    if [ "$out" == "$3" ] && [ "$status" == "$4" ]; then
        pass
    else
        fail "split $1: [$2] gave status $status '$out', expected $4 '$3'"
    fi
}
split quoted-spaces 'tomel.exe psd "a b.edg"' 'convert psd: a b.edg => a b.psd' 0
split quote-inside-token 'tomel.exe  psd   a" "b.edg' 'convert psd: a b.edg => a b.psd' 0
split tab-in-command-word $'tomel.exe psd\tx.edg' 'usage: tomel psd xxx.edg' 0
split tab-in-path $'tomel.exe psd x.edg\tx.edg' 'Error : File not found' 255
split no-escape 'tomel.exe psd "dir\"x.edg' 'convert psd: dir\x.edg => dir\x.psd' 0
split quoted-program '"C:\no such dir\tomel.exe" psd x.edg' 'convert psd: x.edg => x.psd' 0
split empty-quoted-path 'tomel.exe psd ""' 'Error : File not found' 255
split unicode-name 'tomel.exe psd 猫ĉ.edg' 'convert psd: 猫ĉ.edg => 猫ĉ.psd' 0

echo "== Wildcards: tomel.exe expands them, as the shell does on Linux"
# A folder as a user has it: files of both cases, a directory and another
# file that a pattern must pass over, and a subfolder.
wildcard_folder() {
    cp "$valid" b.edg && cp "$valid" a.edg && cp "$valid" C.EDG && mkdir d.edg && printf 'text' >x.txt
    mkdir sub && cp "$valid" sub/s.edg && cp "$valid" sub/t.edg
}
# wildcard CASE-NAME 'COMMAND LINE' LINUX-ARGS...: tomel.exe given the exact
# command line, against the Linux build given the list the shell would make.
# The lines must be alike but for the path separator, and the files alike.
wildcard() {
    local dir=$work/wildcards/$1 line=$2
    shift 2
    mkdir -p "$dir/linux"
    (cd "$dir/linux" && wildcard_folder)
    local linux_status=0 windows_status=0
    (cd "$dir/linux" && "$linux/tomel" "$@" >../linux.raw) || linux_status=$?
    tr '/' '\\' <"$dir/linux.raw" >"$dir/linux.out"
    for attempt in 1 2 3; do
        rm -rf "$dir/windows" && mkdir -p "$dir/windows"
        (cd "$dir/windows" && wildcard_folder)
        windows_status=0
        (cd "$dir/windows" && printf '%s' "$line" | wine "$windows/tests/launch.exe" "$windows/tomel.exe" \
            >../windows.out) || windows_status=$?
        if [ -s "$dir/windows.out" ]; then break; fi
        [ "$attempt" == 3 ] || echo "note: wildcard $1: Wine gave status $windows_status and no line, run again"
    done
    if cmp -s "$dir/linux.out" "$dir/windows.out" && diff -r "$dir/linux" "$dir/windows" >/dev/null &&
        [ "$linux_status" == "$windows_status" ]; then
        pass
    else
        fail "wildcard $1: [$line] gave $windows_status '$(cat "$dir/windows.out")', Linux $linux_status '$(cat \
            "$dir/linux.out")'"
    fi
}
wildcard star 'tomel.exe psd *.edg' psd C.EDG a.edg b.edg
wildcard subfolder 'tomel.exe psd sub\*.edg' psd sub/s.edg sub/t.edg
wildcard quoted 'tomel.exe psd "*.edg"' psd '*.edg'
wildcard no-match 'tomel.exe psd none*.edg' psd 'none*.edg'
wildcard typed-and-matched 'tomel.exe psd a.edg *.edg' psd a.edg C.EDG a.edg b.edg

echo "== tomel-drop.exe from the zip, started as Explorer starts it for dropped files"
# Explorer starts the drop target with CreateProcess and a command line of
# the dropped paths, each quoted only where it holds a space. Every name must
# arrive as it is: good files convert, bad ones are named in the summary.
dropped=$work/dropped
mkdir -p "$dropped/tool" "$dropped/folder"
unzip -q "$(ls "$windows"/tomel-*-win64.zip | head -n1)" tomel.exe tomel-drop.exe -d "$dropped/tool"
good=("my cat.edg" "a&b.edg" "x & y.edg" "c^d.edg" "wow!.edg" "100%.edg" "%PATH%.edg" "a,b.edg" "a;b.edg"
    "a=b.edg" "café.edg" "猫.edg")
for name in "${good[@]}"; do cp "$valid" "$dropped/$name"; done
cp "$damaged" "$dropped/bad.edg"
mkdir -p "$work/drop-reference"
cp "$valid" "$work/drop-reference/r.edg"
(cd "$work/drop-reference" && "$linux/tomel" psd r.edg >/dev/null)
folder=$(winepath -w "$dropped" 2>/dev/null)
line="\"$folder\\tool\\tomel-drop.exe\""
for name in bad.edg "${good[@]:0:6}" missing.edg "${good[@]:6}" folder; do
    path="$folder\\$name"
    [[ $path == *" "* ]] && path="\"$path\""
    line+=" $path"
done
status=0
out=$(cd "$dropped" && printf '%s' "$line" | wine "$windows/tests/launch.exe" "$dropped/tool/tomel-drop.exe") ||
    status=$?
printf '%s\n%s\nstatus %s\n' "$line" "$out" "$status" >"$work/drop.log"
dropOk=true
[ "$status" = 1 ] && grep -qx '12 converted, 3 failed: bad.edg, missing.edg, folder' <<<"$out" &&
    ! grep -q 'Press any key' <<<"$out" && grep -qx 'Error : File not found' <<<"$out" &&
    grep -qx 'Error : File is Directory' <<<"$out" || dropOk=false
for name in "${good[@]}" bad.edg missing.edg folder; do grep -qxF -- "$name" <<<"$out" || dropOk=false; done
for name in "${good[@]}"; do cmp -s "$dropped/${name%.edg}.psd" "$work/drop-reference/r.psd" || dropOk=false; done
[ ! -e "$dropped/bad.psd" ] || dropOk=false
if $dropOk; then
    pass
else
    fail "tomel-drop.exe: $(cat "$work/drop.log")"
fi
if [ -n "${TOMEL_DROP_LOG:-}" ]; then cp "$work/drop.log" "$TOMEL_DROP_LOG"; fi
# A TOMEL_CPU that names no level ends the drop program before any file, as
# it ends tomel's run.
cp "$valid" "$dropped/cpu.edg"
status=0
out=$(cd "$dropped" && printf '%s' "\"$folder\\tool\\tomel-drop.exe\" $folder\\cpu.edg" |
    TOMEL_CPU=avx3 wine "$windows/tests/launch.exe" "$dropped/tool/tomel-drop.exe") || status=$?
if [ "$status" = 255 ] && [ "$out" = "Error : TOMEL_CPU=avx3: not a level (scalar, avx2 or avx512)" ] &&
    [ ! -e "$dropped/cpu.psd" ]; then
    pass
else
    fail "tomel-drop.exe with TOMEL_CPU=avx3: status $status: $out"
fi

echo "== tomel-export.exe against the Linux build: every document in every format, and its errors"
program=tomel-export
for document in "$work"/documents/*.edg; do
    base=$(basename "$document")
    eval "copy_$((passed + failed))() { cp '$document' '$base'; }"
    setup="copy_$((passed + failed))"
    for format in palette png gif apng sheet aseprite; do
        options=()
        [[ $format == gif || $format == apng ]] && options=(--fps 12 --scale 2)
        scenario "export-$format-$base" "$setup" "$format" "${options[@]}" "$base"
    done
done
scenario export-usage none
scenario export-bad-scale two_valid gif --scale 0 a.edg
scenario export-missing-second two_valid png a.edg missing.edg c.edg
scenario export-directory directory sheet pics.edg
older_aseprite_kept() { cp "$damaged" x.edg && printf 'older output' >x.aseprite; }
older_gif_replaced() { cp "$valid" x.edg && printf 'older output' >x.gif; }
apng_is_link_to_input() { cp "$valid" t.edg && ln -s t.edg t.apng; }
scenario export-damaged-older-kept older_aseprite_kept aseprite x.edg
scenario export-older-replaced older_gif_replaced gif x.edg
scenario export-output-is-link-to-input apng_is_link_to_input apng t.edg
program=tomel

echo "== Ctrl-C during a conversion: no temporary left (named for its output), the older output kept"
interrupted=$work/interrupted
mkdir -p "$interrupted"
"$linux/tests/make_documents" "$interrupted" large
printf 'older output' >"$interrupted/large.psd"
(cd "$interrupted" && exec wine "$windows/tomel.exe" psd large.edg >"$work/interrupted.out") &
pid=$!
named=no
for _ in $(seq 500); do
    compgen -G "$interrupted/.large.psd.tomel-??????" >/dev/null && named=yes && break
    sleep 0.02
done
# Wine turns SIGINT into the console's CTRL_C_EVENT.
kill -INT "$pid"
status=0
wait "$pid" || status=$?
left=$(ls -A "$interrupted" | tr '\n' ' ')
if [ "$left" == "large.edg large.psd " ] && [ "$(cat "$interrupted/large.psd")" == "older output" ] &&
    [ "$status" -ne 0 ] && [ ! -s "$work/interrupted.out" ] && [ $named = yes ]; then
    pass
else
    fail "Ctrl-C: status $status, left: $left, temporary named for its output: $named, said: $(cat "$work/interrupted.out")"
fi

echo "Wine stage: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
