#!/usr/bin/env bash
# End-to-end tests of the installer's launcher under Wine.
#
#   run_e2e.sh LAUNCHER STANDIN DRIVER PACK [WORKDIR] [SPLASH_BMP]
#
# LAUNCHER  launcher.exe as built (no package attached)
# STANDIN   standin.exe, packaged as the engine: it records its command line and directory
# DRIVER    wine_driver.exe, which reads message boxes, file times and package headers
# PACK      the host tarnwick-pack
# WORKDIR   where the prefix (kept between runs), the screenshots and the scratch files go;
#           defaults to the e2e folder beside the launcher's bin folder
# SPLASH    the committed splash bitmap the screen is compared with
#
# The harness starts its own virtual display and a persistent wineserver for the run and
# stops both at exit. Every wait is for a condition with a time limit. It ends with the line
# "N passed, M failed" and exits non-zero when anything failed.
set -u
set -o pipefail
export LC_ALL=C

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/wine_env.sh
. "$HERE/wine_env.sh"
if [ $# -lt 4 ]; then
  echo "usage: $0 LAUNCHER STANDIN DRIVER PACK [WORKDIR] [SPLASH_BMP]" >&2
  exit 2
fi
LAUNCHER=$(absolute "$1")
STANDIN=$(absolute "$2")
DRIVER=$(absolute "$3")
PACK=$(absolute "$4")
WORK=$(absolute "${5:-$(dirname "$LAUNCHER")/../e2e}")
SPLASH=$(absolute "${6:-$HERE/../../launcher/res/splash.bmp}")

SCREEN_W=1024
SCREEN_H=768

PASSED=0
FAILED=0
STARTED_AT=$(date +%s%N)

pass() { PASSED=$((PASSED + 1)); echo "ok   - $1"; }
fail() {
  FAILED=$((FAILED + 1))
  echo "FAIL - $1"
  shift
  local line
  for line in "$@"; do printf '       %s\n' "$line"; done
}
note() { echo "note - $*"; }
finish() {
  echo "e2e: $(( ($(date +%s%N) - STARTED_AT) / 1000000 )) ms"
  echo "$PASSED passed, $FAILED failed"
  [ "$FAILED" -eq 0 ]
  exit $?
}

# ---- the environment ----------------------------------------------------------------------

missing=()
for tool in wine wineserver wineboot Xvfb xwd convert compare cmp od; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
for file in "$LAUNCHER" "$STANDIN" "$DRIVER" "$SPLASH"; do
  [ -f "$file" ] || missing+=("$file")
done
if [ ${#missing[@]} -gt 0 ]; then
  fail "environment" "missing: ${missing[*]}"
  finish
fi
if [ ! -x "$PACK" ]; then
  note "no packaging tool at $PACK (build it: cmake --preset host &&" \
    "cmake --build build/host --target tarnwick-pack); the packaged cases fail"
fi

mkdir -p "$WORK"
# The physical path: Wine sees the current directory as getcwd() gives it.
WORK=$(cd "$WORK" && pwd -P)
PREFIX_DIR=$WORK/prefix
SHOTS=$WORK/shots
RUN=$WORK/run
mkdir -p "$SHOTS"
rm -rf "$RUN"
mkdir -p "$RUN"

prefix_started=$(now_ns)
had_prefix=$([ -f "$PREFIX_DIR/.e2e-ready" ] && echo 1)
if ! wine_env_start 2>"$RUN/env.log"; then
  fail "environment" "$(cat "$RUN/env.log")"
  finish
fi
[ -n "$had_prefix" ] || note "made the prefix in $(( ($(now_ns) - prefix_started) / 1000000 )) ms"

driver() { wine "$DRIVER" "$@" | tr -d '\r'; }

TEMP_WIN=$(driver temppath) || { fail "environment" "the driver does not run"; finish; }
TEMP_WIN=${TEMP_WIN%\\}
case $TEMP_WIN in
  [Cc]:\\*) rel=${TEMP_WIN:3} && TEMP_DIR=$PREFIX_DIR/drive_c/${rel//\\//} ;;
  *) fail "environment" "unexpected temporary folder $TEMP_WIN"; finish ;;
esac
note "temporary folder $TEMP_WIN ($TEMP_DIR)"

shopt -s nullglob nocaseglob
extraction_dirs() {
  local d=("$TEMP_DIR"/bks*)
  [ ${#d[@]} -eq 0 ] || printf '%s\n' "${d[@]}"
}
count_extraction_dirs() { local d=("$TEMP_DIR"/bks*); echo ${#d[@]}; }
# Each case starts with an empty temporary folder, so whatever is there afterwards is its own.
clear_temp() { find "$TEMP_DIR" -mindepth 1 -delete 2>/dev/null || rm -rf "${TEMP_DIR:?}"/*; }
temp_contents() { (cd "$TEMP_DIR" && find . -mindepth 1 | sort | tr '\n' ' '); }

shot() { xwd -root -display "$DISPLAY" -silent | convert xwd:- "$SHOTS/$1"; }

# ---- what this Wine keeps of times and attributes ------------------------------------------
#
# The launcher sets each file's three times through its handle and then its attributes by
# path. The probe does the same to a scratch file with three different times, so the checks
# below can tell a launcher fault from a value the platform does not keep.

filetime_of() {  # ISO-8601 UTC date, extra 100-ns ticks
  echo $(( ($(date -u -d "$1" +%s) + 11644473600) * 10000000 + $2 ))
}
PROBE_C=$(filetime_of 2001-02-03T04:05:06Z 1234567)
PROBE_A=$(filetime_of 2002-03-04T05:06:07Z 7654321)
PROBE_M=$(filetime_of 2003-04-05T06:07:08Z 1111111)

# field NAME LINE: the value of NAME=... in a driver stat line
field() { local f=" $2 "; f=${f#* $1=}; printf '%s' "${f%% *}"; }

probe() {  # ATTR -> the stat line the driver reads back
  driver probe 'C:\e2e-probe.dat' "$1" "$PROBE_C" "$PROBE_A" "$PROBE_M" | grep '^attr='
}

probe_line=$(probe 0x20)
if [ -z "$probe_line" ]; then
  fail "probe" "the driver could not set times on a scratch file"
  finish
fi
CREATION_MODE=stored
if [ "$(field ctime "$probe_line")" != "$PROBE_C" ]; then
  if [ "$(field ctime "$probe_line")" = "$PROBE_M" ]; then
    CREATION_MODE=last-write
    note "this Wine drops the creation time SetFileTime is given and reports the" \
      "last-write time in its place; extracted files are held to that"
  else
    CREATION_MODE=unchecked
    note "this Wine keeps neither the creation time given nor the last-write time in its" \
      "place (read back $(field ctime "$probe_line")); creation times are not checked"
  fi
fi
ACCESS_KEPT=1
if [ "$(field atime "$probe_line")" != "$PROBE_A" ]; then
  ACCESS_KEPT=0
  note "this Wine does not keep a last-access time set by SetFileTime; not checked"
fi
[ "$(field mtime "$probe_line")" = "$PROBE_M" ] ||
  fail "probe" "this Wine does not keep a last-write time set by SetFileTime" "$probe_line"

# What a file's attributes read back as after SetFileAttributes(ATTR) here; cached.
declare -A ATTR_READBACK
attributes_after_setting() {
  local want=$1
  if [ -z "${ATTR_READBACK[$want]:-}" ]; then
    local line
    line=$(probe "$want")
    ATTR_READBACK[$want]=$(field attr "$line")
    if [ $((ATTR_READBACK[$want])) -ne $((want)) ]; then
      note "attributes $want read back as ${ATTR_READBACK[$want]} on this Wine"
    fi
  fi
  printf '%s' "${ATTR_READBACK[$want]}"
}

# ---- building installers -------------------------------------------------------------------

# The inputs: the engine, a project file (CR LF lines) and data files 2.. of different kinds.
#   entry 2  several KB, text and every byte value (catches text-mode translation)
#   entry 3  empty
#   entry 4  read-only
#   entry 5  hidden
# The packer takes each entry's times from its file (birth, last access, last write), so the
# inputs get last-access and last-write times of their own, apart from each other and from
# every other entry's: a launcher that mixed up two times or two entries cannot pass.
make_inputs() {
  local dir=$1
  mkdir -p "$dir"
  cp "$STANDIN" "$dir/engine.exe"
  printf '%s\r\n' '[Project]' 'Title=E2E Sample' 'Version=1.0' 'Company=Tarnwick Tests' \
    'Launch="",-1' 'Multicomp=0' 'Readme=0,0' \
    '[Palm]' 'File1="sample.prc",3' \
    '[Application]' 'Folder0="",' 'File0="readme.txt",0,2,0,2,0,' \
    'File1="notes.txt",0,4,0,2,0,' 'File2="hidden.dat",0,5,0,2,0,' \
    '[System]' 'Folder0="",' '[Conduit]' 'Folder0="",' >"$dir/project.ini"
  { seq 1 1500; for i in $(seq 0 255); do printf "\\$(printf '%03o' "$i")"; done; seq 1 200; } \
    >"$dir/readme.txt"
  : >"$dir/sample.prc"
  printf 'read-only notes\r\n' >"$dir/notes.txt"
  printf 'hidden data\r\n' >"$dir/hidden.dat"
  local k=0 name
  for name in engine.exe project.ini "${INPUT_FILES[@]}"; do
    touch -a -d "2002-03-04 05:06:$((10 + k)).1234567 UTC" "$dir/$name"
    touch -m -d "2003-04-05 06:07:$((10 + k)).7654321 UTC" "$dir/$name"
    k=$((k + 1))
  done
}
INPUT_FILES=(readme.txt sample.prc notes.txt hidden.dat)
INPUT_ATTRS=(0x20 0x20 0x21 0x22)

# build_installer LABEL INPUTS OUT: the installer with the stand-in as its engine, its
# headers read into STORED_*. The packer gives one attribute word to every entry, so the
# read-only and hidden entries get theirs here, in the built file: the headers are plain
# bytes the package covers with no checksum, and the packer's verify must still accept it.
build_installer() {
  local label=$1 in=$2 out=$3 log=$2/../pack.log
  if [ ! -x "$PACK" ]; then
    fail "$label: build the installer" "no packaging tool at $PACK"
    return 1
  fi
  local files=() name
  for name in "${INPUT_FILES[@]}"; do files+=("$in/$name"); done
  if ! env -u SOURCE_DATE_EPOCH "$PACK" build --launcher "$LAUNCHER" --engine "$in/engine.exe" \
    --project "$in/project.ini" -o "$out" "${files[@]}" >"$log" 2>&1; then
    fail "$label: build the installer" "$(cat "$log")"
    return 1
  fi
  read_headers "$out" || { fail "$label: read the package" "$(driver headers "$(winpath "$out")")"; return 1; }
  local i value
  for ((i = 0; i < ${#INPUT_FILES[@]}; ++i)); do
    value=$((INPUT_ATTRS[i]))
    [ "$value" -eq $((STORED_ATTR[i + 2])) ] && continue
    printf "\\$(printf '%03o' $((value & 255)))\\$(printf '%03o' $(((value >> 8) & 255)))\\000\\000" |
      dd of="$out" bs=1 seek="${ENTRY_START[i + 2]}" conv=notrunc status=none
  done
  if ! "$PACK" verify "$out" >>"$log" 2>&1; then
    fail "$label: the packer verifies the installer" "$(cat "$log")"
    return 1
  fi
  read_headers "$out"
  local expected=$((2 + ${#INPUT_FILES[@]}))
  if [ "$STORED_COUNT" -ne "$expected" ]; then
    fail "$label: package entries" "$STORED_COUNT entries, expected $expected"
    return 1
  fi
  for ((i = 0; i < ${#INPUT_FILES[@]}; ++i)); do
    if [ $((STORED_ATTR[i + 2])) -ne $((INPUT_ATTRS[i])) ]; then
      fail "$label: package attributes" "entry $((i + 2)) stores ${STORED_ATTR[i + 2]}"
      return 1
    fi
  done
}

# What the package stores, read by the driver independently of the product's reader:
# sets STORED_ATTR[i], STORED_C[i], STORED_A[i], STORED_M[i], ENTRY_START[i], ENTRY_SIZE[i].
read_headers() {
  local listing line i
  listing=$(driver headers "$(winpath "$1")") || { echo "$listing"; return 1; }
  STORED_COUNT=0
  while read -r line; do
    case $line in
      entry=*)
        i=$(field entry "$line")
        STORED_ATTR[$i]=$(field attr "$line")
        STORED_C[$i]=$(field ctime "$line")
        STORED_A[$i]=$(field atime "$line")
        STORED_M[$i]=$(field mtime "$line")
        ENTRY_START[$i]=$(field start "$line")
        ENTRY_SIZE[$i]=$(field size "$line")
        STORED_COUNT=$((STORED_COUNT + 1))
        ;;
    esac
  done <<<"$listing"
}

# ---- checks on extracted files -------------------------------------------------------------

# check_member LABEL STAT_LINE ENTRY SOURCE [ACCESS_FLOOR]: the member's attributes and times
# against what entry ENTRY stores, and its contents against SOURCE. Stat first: reading the
# contents would move the last-access time. With ACCESS_FLOOR, a last-access time at or after
# it is also accepted (the stand-in's own start reads its executable).
check_member() {
  local label=$1 line=$2 i=$3 source=$4 floor=${5:-}
  local problems=() path
  if [ -z "$line" ] || [ "${line#missing}" != "$line" ]; then
    fail "$label" "not extracted"
    return
  fi
  path=$(field path "$line")
  local want_attr
  want_attr=$(attributes_after_setting "${STORED_ATTR[$i]}")
  [ $(($(field attr "$line"))) -eq $((want_attr)) ] ||
    problems+=("attributes $(field attr "$line"), stored ${STORED_ATTR[$i]} (reads back here as $want_attr)")
  [ "$(field mtime "$line")" = "${STORED_M[$i]}" ] ||
    problems+=("last-write time $(field mtime "$line"), stored ${STORED_M[$i]}")
  if [ "$ACCESS_KEPT" = 1 ]; then
    local atime
    atime=$(field atime "$line")
    if [ "$atime" != "${STORED_A[$i]}" ]; then
      if [ -n "$floor" ] && [ "$atime" -ge "$floor" ]; then
        note "$label: last-access time moved to the engine's start ($atime); checked exactly" \
          "in the truncated case, where the file is looked at before the engine runs"
      else
        problems+=("last-access time $atime, stored ${STORED_A[$i]}")
      fi
    fi
  fi
  case $CREATION_MODE in
    stored) [ "$(field ctime "$line")" = "${STORED_C[$i]}" ] ||
      problems+=("creation time $(field ctime "$line"), stored ${STORED_C[$i]}") ;;
    last-write) [ "$(field ctime "$line")" = "${STORED_M[$i]}" ] ||
      problems+=("creation time $(field ctime "$line"), expected this Wine's stand-in, the stored last-write time ${STORED_M[$i]}") ;;
  esac
  local unix=$TEMP_DIR/${path#"$TEMP_WIN"\\}
  unix=${unix//\\//}
  cmp -s "$unix" "$source" || problems+=("contents differ from $source")
  if [ ${#problems[@]} -eq 0 ]; then
    pass "$label"
  else
    fail "$label" "${problems[@]}"
  fi
}

# The stand-in's report, as KEY=VALUE lines.
report_value() { tr -d '\r' <"$1" | sed -n "s/^$2=//p"; }

launcher_exited() { ! kill -0 "$1" 2>/dev/null; }

# ---- case 1: a complete installer ----------------------------------------------------------

case_complete() {
  local dir=$RUN/case1
  make_inputs "$dir/in"
  build_installer complete "$dir/in" "$dir/setup.exe" || return
  local expected_entries=$((2 + ${#INPUT_FILES[@]}))
  local i distinct=1
  for ((i = 0; i < expected_entries; ++i)); do
    [ "${STORED_C[$i]}" != "${STORED_A[$i]}" ] && [ "${STORED_A[$i]}" != "${STORED_M[$i]}" ] &&
      [ "${STORED_C[$i]}" != "${STORED_M[$i]}" ] || distinct=0
  done
  [ "$distinct" = 1 ] ||
    note "the package stores equal times in some entry: a launcher that mixed the three up" \
      "would not be caught there"

  clear_temp
  local centre_x=$(( (SCREEN_W - 134) / 2 )) centre_y=$(( (SCREEN_H - 51) / 2 ))
  convert "$SPLASH" -crop "134x51+0+0" +repage "$RUN/splash-shown.png"
  xwd -root -display "$DISPLAY" -silent | convert xwd:- "$RUN/before.png"
  local before
  before=$(compare -metric AE "$RUN/splash-shown.png" \
    <(convert "$RUN/before.png" -crop "134x51+$centre_x+$centre_y" +repage png:-) null: 2>&1)
  [ "${before%% *}" != 0 ] || note "the splash was on the screen before the launcher ran"

  local start_ft=$(( $(now_ns) / 100 / 10000000 * 10000000 + 116444736000000000 ))
  # Arguments given to the installer have no effect.
  (cd "$dir" && exec wine "$dir/setup.exe" -u 'C:\elsewhere\log.txt' /S >"$dir/launcher.log" 2>&1) &
  local pid=$!
  if ! wait_until 30 eval '[ "$(count_extraction_dirs)" -ge 1 ] && [ -f "$(extraction_dirs | head -n1)/standin.txt" ]'; then
    fail "complete: the engine starts" "no standin.txt within 30 s" \
      "temporary folder: $(temp_contents)"
    kill "$pid" 2>/dev/null
    return
  fi
  if ! wait_until 15 launcher_exited "$pid"; then
    fail "complete: the launcher exits" "still running 15 s after the engine started"
    kill "$pid" 2>/dev/null
    return
  fi
  wait "$pid" 2>/dev/null
  local status=$?
  [ "$status" -eq 0 ] && pass "complete: the launcher exits with 0" ||
    fail "complete: the launcher exits with 0" "exit code $status"

  # The splash: the top-left 134 x 51 of bitmap 104, centred, nothing more.
  shot case1-splash.png
  convert "$SHOTS/case1-splash.png" -crop "134x51+$centre_x+$centre_y" +repage "$RUN/splash-seen.png"
  local differing desktop right below
  differing=$(compare -metric AE "$RUN/splash-shown.png" "$RUN/splash-seen.png" null: 2>&1)
  desktop=$(convert "$SHOTS/case1-splash.png" -format '%[pixel:p{5,5}]' info:)
  right=$(convert "$SHOTS/case1-splash.png" -format "%[pixel:p{$((centre_x + 134)),$centre_y}]" info:)
  below=$(convert "$SHOTS/case1-splash.png" -format "%[pixel:p{$centre_x,$((centre_y + 51))}]" info:)
  differing=${differing%% *}
  if [ "$differing" = 0 ] && [ "$right" = "$desktop" ] && [ "$below" = "$desktop" ]; then
    pass "complete: splash painted centred at $centre_x,$centre_y, 134 x 51"
  else
    fail "complete: splash painted centred at $centre_x,$centre_y, 134 x 51" \
      "$differing of 6834 pixels differ from the bitmap (shots/case1-splash.png)" \
      "beside it: $right, below it: $below, desktop: $desktop"
  fi

  local dirs=()
  mapfile -t dirs < <(extraction_dirs)
  if [ ${#dirs[@]} -ne 1 ]; then
    fail "complete: one extraction folder" "${dirs[@]}"
    return
  fi
  local xdir=${dirs[0]} xname
  xname=$(basename "$xdir")
  if [[ $xname =~ ^bks[0-9A-Fa-f]{1,4}\.[Tt][Mm][Pp]$ ]] && [ -d "$xdir" ]; then
    pass "complete: extraction folder $xname is a temporary name (bks, hex, .TMP)"
  else
    fail "complete: extraction folder is a temporary name (bks, hex, .TMP)" "$xname"
  fi
  [[ $xname =~ \.TMP$ ]] || note "the platform named it with extension ${xname##*.}"

  local want_list got_list
  want_list=$( { echo tarnwick.exe; echo standin.txt; for ((i = 1; i < expected_entries; ++i)); do printf '%08d\n' "$i"; done; } | sort)
  got_list=$(ls -A "$xdir" | sort)
  [ "$want_list" = "$got_list" ] && pass "complete: folder holds tarnwick.exe and 00000001..$(printf '%08d' $((expected_entries - 1)))" ||
    fail "complete: folder holds tarnwick.exe and the numbered entries" "have: $(echo $got_list)" "want: $(echo $want_list)"

  local xwin="$TEMP_WIN\\$xname" paths=("$TEMP_WIN\\$xname\\tarnwick.exe") lines=()
  for ((i = 1; i < expected_entries; ++i)); do paths+=("$xwin\\$(printf '%08d' "$i")"); done
  mapfile -t lines < <(driver stat "${paths[@]}")
  check_member "complete: tarnwick.exe (entry 0)" "${lines[0]:-}" 0 "$STANDIN" "$start_ft"
  check_member "complete: 00000001 (project file)" "${lines[1]:-}" 1 "$dir/in/project.ini"
  for ((i = 2; i < expected_entries; ++i)); do
    check_member "complete: $(printf '%08d' "$i") (${INPUT_FILES[$((i - 2))]}, attributes ${INPUT_ATTRS[$((i - 2))]})" \
      "${lines[$i]:-}" "$i" "$dir/in/${INPUT_FILES[$((i - 2))]}"
  done

  local report=$xdir/standin.txt args cwd module
  args=$(report_value "$report" args)
  cwd=$(report_value "$report" cwd)
  module=$(report_value "$report" module)
  local problems=()
  [ -z "$args" ] || problems+=("arguments: [$args] (command line: $(report_value "$report" cmdline))")
  [ "${module,,}" = "${xwin,,}\\tarnwick.exe" ] || problems+=("started $module, not $xwin\\tarnwick.exe")
  local launcher_cwd
  launcher_cwd=$(winpath "$dir")
  [ "${cwd,,}" = "${launcher_cwd,,}" ] || [ "${cwd,,}" = "${launcher_cwd,,}\\" ] ||
    problems+=("current directory $cwd, the launcher's was $launcher_cwd")
  [ ${#problems[@]} -eq 0 ] && pass "complete: engine started from the folder, no arguments, launcher's directory" ||
    fail "complete: engine started from the folder, no arguments, launcher's directory" "${problems[@]}"
}

# ---- case 2: the bare launcher -------------------------------------------------------------

# check_message_box LABEL TEXT SHOT: waits for the box, compares all it shows, keeps a shot.
check_message_box() {
  local label=$1 text=$2 shotname=$3 seen expected
  seen=$(driver msgbox-wait 20000)
  shot "$shotname"
  expected=$(printf '%s\n' "caption=Error" "text=$text" "button=1:OK" "owner=none" "icon=stop")
  if [ "$seen" = "$expected" ]; then
    pass "$label"
  else
    local have want
    mapfile -t have <<<"$seen"
    mapfile -t want <<<"$expected"
    fail "$label" "have: ${have[*]}" "want: ${want[*]}" "(shots/$shotname)"
  fi
}

# No engine process, and no report from one that already ended.
nothing_started() {
  local procs
  procs=$(driver processes | grep -ix 'tarnwick.exe')
  [ -z "$procs" ] && [ -z "$(find "$1" "$TEMP_DIR" -name standin.txt 2>/dev/null)" ]
}

case_bare() {
  local dir=$RUN/case2
  mkdir -p "$dir"
  cp "$LAUNCHER" "$dir/setup.exe"
  # A stray start of "tarnwick.exe" relative to the current directory would find this one.
  cp "$STANDIN" "$dir/tarnwick.exe"
  clear_temp
  (cd "$dir" && exec wine "$dir/setup.exe" >"$dir/launcher.log" 2>&1) &
  local pid=$!
  check_message_box "bare launcher: \"This installation is corrupted.\", Error, OK, stop icon" \
    "This installation is corrupted." case2-corrupted.png
  local closed
  closed=$(driver msgbox-close 10000)
  if ! wait_until 15 launcher_exited "$pid"; then
    fail "bare launcher: exits after OK" "$closed; still running after 15 s"
    kill "$pid" 2>/dev/null
    return
  fi
  wait "$pid" 2>/dev/null
  local leftovers
  leftovers=$(temp_contents)
  if nothing_started "$dir" && [ -z "$leftovers" ]; then
    pass "bare launcher: nothing extracted, nothing started"
  else
    fail "bare launcher: nothing extracted, nothing started" "temporary folder: ${leftovers:-empty}" \
      "processes: $(driver processes | tr '\n' ' ')" "reports: $(find "$dir" "$TEMP_DIR" -name standin.txt)"
  fi
}

# ---- case 3: an installer cut in the middle of an entry ------------------------------------

case_truncated() {
  local dir=$RUN/case3
  make_inputs "$dir/in"
  build_installer truncated "$dir/in" "$dir/whole.exe" || return
  # Cut inside entry 2, the large one: entries 0 and 1 stay whole.
  local cut=$(( ENTRY_START[2] + ENTRY_SIZE[2] / 2 ))
  head -c "$cut" "$dir/whole.exe" >"$dir/setup.exe"

  clear_temp
  (cd "$dir" && exec wine "$dir/setup.exe" >"$dir/launcher.log" 2>&1) &
  local pid=$!
  check_message_box "truncated: \"File access error\", Error, OK, stop icon" \
    "File access error" case3-file-access-error.png

  # While the box is up the engine has not been started, so every time is still as the
  # launcher left it.
  local dirs=() xdir xname
  mapfile -t dirs < <(extraction_dirs)
  if [ ${#dirs[@]} -eq 1 ]; then
    xdir=${dirs[0]}
    xname=$(basename "$xdir")
    local got_list
    got_list=$(ls -A "$xdir" | sort | tr '\n' ' ')
    [ "$got_list" = "00000001 tarnwick.exe " ] &&
      pass "truncated: entries 0 and 1 extracted, nothing of entry 2, engine not yet started" ||
      fail "truncated: entries 0 and 1 extracted, nothing of entry 2, engine not yet started" "have: $got_list"
    local lines=()
    mapfile -t lines < <(driver stat "$TEMP_WIN\\$xname\\tarnwick.exe" "$TEMP_WIN\\$xname\\00000001")
    check_member "truncated: tarnwick.exe complete, with its times (before the engine runs)" \
      "${lines[0]:-}" 0 "$STANDIN"
    check_member "truncated: 00000001 complete, with its times" "${lines[1]:-}" 1 "$dir/in/project.ini"
  else
    fail "truncated: one extraction folder" "temporary folder: $(temp_contents)"
  fi

  driver msgbox-close 10000 >/dev/null
  if [ -n "${xdir:-}" ] && wait_until 20 test -f "$xdir/standin.txt"; then
    local args
    args=$(report_value "$xdir/standin.txt" args)
    [ -z "$args" ] && pass "truncated: engine started after OK, without arguments" ||
      fail "truncated: engine started after OK, without arguments" "arguments: [$args]"
  else
    fail "truncated: engine started after OK, without arguments" "no standin.txt within 20 s"
  fi
  if wait_until 15 launcher_exited "$pid"; then
    wait "$pid" 2>/dev/null
  else
    fail "truncated: launcher exits" "still running after 15 s"
    kill "$pid" 2>/dev/null
  fi
}

case_complete
case_bare
case_truncated
clear_temp
finish
