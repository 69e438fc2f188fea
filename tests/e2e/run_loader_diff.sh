#!/usr/bin/env bash
# Both targets load projects alike: the engine's loader reads project trees under Wine (the
# real INI reader) and on the simulated Windows (our own reader), and the two dumps of every
# tree, fault report and partial state included, must be identical.
#
#   run_loader_diff.sh PROJECT_DUMP HOST_DUMP PACK LAUNCHER STANDIN EXAMPLES [WORKDIR]
#
# PROJECT_DUMP  project_dump.exe (tests/win32)      HOST_DUMP  project_dump_host (host build)
# PACK          the host tarnwick-pack               LAUNCHER, STANDIN  to pack the examples
# EXAMPLES      the examples folder: each example is packed and extracted as the launcher would
# WORKDIR       prefix (shared with the other Wine tests) and scratch files
set -u
set -o pipefail
export LC_ALL=C

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/wine_env.sh
. "$HERE/wine_env.sh"
if [ $# -lt 6 ]; then
  echo "usage: $0 PROJECT_DUMP HOST_DUMP PACK LAUNCHER STANDIN EXAMPLES [WORKDIR]" >&2
  exit 2
fi
WIN_DUMP=$(absolute "$1")
HOST_DUMP=$(absolute "$2")
PACK=$(absolute "$3")
LAUNCHER=$(absolute "$4")
STANDIN=$(absolute "$5")
EXAMPLES=$(absolute "$6")
WORK=$(absolute "${7:-$(dirname "$WIN_DUMP")/../e2e}")
for file in "$WIN_DUMP" "$HOST_DUMP" "$PACK" "$LAUNCHER" "$STANDIN"; do
  [ -f "$file" ] || { echo "missing: $file" >&2; exit 1; }
done

mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd -P)
PREFIX_DIR=$WORK/prefix
RUN=$WORK/loader-diff
CASES=$RUN/cases
rm -rf "$RUN"
mkdir -p "$CASES"

# ---- the trees ----------------------------------------------------------------------------

# entry CASE N TEXT: writes entry N of a tree with CR LF line ends.
entry() {
  mkdir -p "$CASES/$1"
  printf '%s' "$3" | sed 's/$/\r/' >"$CASES/$1/$(printf '%08d' "$2")"
}

for example in "$EXAMPLES"/*/; do
  name=$(basename "$example")
  [ -f "$example/project.ini" ] || continue
  "$PACK" build --launcher "$LAUNCHER" --engine "$STANDIN" --project "$example/project.ini" \
    --entries "$example/entries" -o "$RUN/$name.exe" >/dev/null &&
    "$PACK" extract "$RUN/$name.exe" "$CASES/example-$name" >/dev/null ||
    { echo "could not pack and extract $example" >&2; exit 1; }
done

entry quoted-fits 1 '[Project]
Title="Seventy-nine characters inside the quotes, exactly enough for the eighty bytes!!"
Version=  '"'"'2.0'"'"'
Company=	"Sample Software"	'
entry blanks-and-case 1 '[project]
TITLE = Planner
  launch =	"whatsnew.txt" ,	6
[PALM]
file1 =  "a.prc" 	,	 2  , extra
[application]
folder0 = "",
FILE0 = "readme.txt" , 0 , 4 , 0 , 2 , 1 ,'
entry duplicates-and-comments 1 '; a comment line
Title=Before any section
[Project]
Title=First
Title=Second
#Version=hash
Company
Company=Hidden by the line without an equals sign
[Palm]
File1="first.prc",2
[Project]
Version=In a second Project section
[Palm]
File2="second.prc",3'
entry bad-kind-partial 1 '[Project]
Title=Partial
EULA=0,1
[Palm]
File1="a.prc",2
[Application]
Folder0="",
File0="a.txt",0,3,0,2,1,
[System]
Folder0="",
File0="x.dll",0,4,7,2,0,
[Conduit]
Folder0="",'
entry conduit-fields 1 '[Project]
Title=Conduit
[Conduit]
Folder0="",
File0="plsync.dll",0,2,1,1,0,"'"$(printf 'a%.0s' $(seq 200))"'",4294967295,"Dir","f.dat","Info",4294967296,"plsync.dll","Name",2,"Remote",
File1="plsync2.dll",0,2,1,1,0,"a",-5,"d","f","i",0,"m","n",1,"r",'
entry long-value 1 '[Project]
Title=Long
[Palm]
File1="'"$(printf 'n%.0s' $(seq 600))"'",2'
entry sub-project-fails 1 '[Project]
Title=Suite
Multicomp=1
Component1="ok.ini",2,1,1
Component2="bad.ini",3,0,0
[Palm]
File1="never read",'
entry sub-project-fails 2 '[Project]
Title=Good one
[Palm]
File1="g.prc",4'
entry sub-project-fails 3 '[Project]
Title=Bad one
Readme=0'
entry missing-sub-project 1 '[Project]
Title=Suite
Component1="gone.ini",9,1,1'
entry cycle 1 '[Project]
Title=Root
Component1="a",2,1,1'
entry cycle 2 '[Project]
Title=A
Component1="root again",1,1,1'
entry launch-lenient 1 '[Project]
Title=Lenient
Launch="setup.txt"
EULA=0,-1
Readme=1,  -1'
entry no-title 1 '[Project]
Version=1.0
[Palm]
File1="a.prc",2'

# ---- the comparison -----------------------------------------------------------------------

if ! wine_env_start 2>"$RUN/env.log"; then
  echo "the Wine environment did not start: $(cat "$RUN/env.log")" >&2
  exit 1
fi

passed=0
failed=0
for dir in "$CASES"/*/; do
  name=$(basename "$dir")
  wine "$WIN_DUMP" "$(winpath "${dir%/}")" 2>>"$RUN/wine.log" | tr -d '\r' >"$RUN/$name.wine.txt"
  "$HOST_DUMP" "${dir%/}" >"$RUN/$name.host.txt"
  if [ -s "$RUN/$name.wine.txt" ] && diff -u "$RUN/$name.wine.txt" "$RUN/$name.host.txt" \
    >"$RUN/$name.diff"; then
    passed=$((passed + 1))
    echo "ok   - $name ($(head -n1 "$RUN/$name.host.txt"))"
  else
    failed=$((failed + 1))
    echo "FAIL - $name: the loads differ (Wine first)"
    sed 's/^/       /' "$RUN/$name.diff" | head -n 40
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
