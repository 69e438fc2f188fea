#!/usr/bin/env bash
# The INI reader differential test under Wine: runs profile_diff.exe (tests/win32) in the
# end-to-end tests' prefix and passes its verdict on.
#
#   run_profile_diff.sh PROGRAM [WORKDIR [RANDOM_FILES [SEED]]]
#
# PROGRAM   profile_diff.exe as built
# WORKDIR   where the prefix (kept between runs, shared with run_e2e.sh) and the log go;
#           defaults to the e2e folder beside the program's bin folder
# The program reads tricky INI files with GetPrivateProfileStringA/IntA and with our own
# reader, prints every difference and a summary line, and exits 0 only when none differ.
set -u
set -o pipefail
# Wine takes code page 1252 as the ANSI code page then, the one our reader reads as.
export LC_ALL=C

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/wine_env.sh
. "$HERE/wine_env.sh"
if [ $# -lt 1 ]; then
  echo "usage: $0 PROGRAM [WORKDIR [RANDOM_FILES [SEED]]]" >&2
  exit 2
fi
PROGRAM=$(absolute "$1")
WORK=$(absolute "${2:-$(dirname "$PROGRAM")/../e2e}")
shift $(($# < 2 ? $# : 2))
for tool in wine wineserver wineboot Xvfb; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool" >&2; exit 1; }
done
[ -f "$PROGRAM" ] || { echo "missing: $PROGRAM" >&2; exit 1; }

mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd -P)
PREFIX_DIR=$WORK/prefix
RUN=$WORK/profile-diff
rm -rf "$RUN"
mkdir -p "$RUN"

if ! wine_env_start 2>"$RUN/env.log"; then
  echo "the Wine environment did not start: $(cat "$RUN/env.log")" >&2
  exit 1
fi
wine "$PROGRAM" "$@" 2>"$RUN/wine.log" | tr -d '\r' | tee "$RUN/profile_diff.log"
status=$?
[ "$status" -eq 0 ] || echo "profile_diff exited with $status (log: $RUN)" >&2
exit "$status"
