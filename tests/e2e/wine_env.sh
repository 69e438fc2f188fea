# The Wine environment the end-to-end tests and the demo share: a private 32-bit prefix,
# made once and kept, whose programs share one virtual desktop the size of the display; a
# virtual display of its own; one wineserver for the whole run. Source it, set PREFIX_DIR,
# RUN, SCREEN_W and SCREEN_H, then call wine_env_start; it stops everything at exit.
# Each function says what failed on standard error and returns non-zero.
#
# A caller that does not care about the display leaves SCREEN_W and SCREEN_H alone and gets
# 1024 x 768, the size the end-to-end tests make their shared prefix's desktop with.
: "${SCREEN_W:=1024}" "${SCREEN_H:=768}"

export WINEDEBUG=-all
# No Mono or Gecko: their installers would wait on a dialog nobody answers.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH WINESERVER

XVFB_PID=
SERVER_UP=
wine_env_stop() {
  if [ -n "$SERVER_UP" ]; then
    wineserver -k >/dev/null 2>&1
    timeout 10 wineserver -w >/dev/null 2>&1
  fi
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  fi
}

now_ns() { date +%s%N; }

# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds or the time is up.
wait_until() {
  local deadline=$(( $(now_ns) + $1 * 1000000000 ))
  shift
  until "$@"; do
    [ "$(now_ns)" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}

# Xvfb picks a free display itself and writes its number to the descriptor we give it.
wine_env_start_display() {
  local display_file=$RUN/display
  Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp \
    3>"$display_file" >"$RUN/xvfb.log" 2>&1 &
  XVFB_PID=$!
  if ! wait_until 15 test -s "$display_file"; then
    echo "Xvfb did not start: $(cat "$RUN/xvfb.log")" >&2
    return 1
  fi
  DISPLAY=":$(tr -d '\n' <"$display_file")"
  export DISPLAY
}

# On the prefix's virtual desktop what a program paints onto the screen stays until
# something repaints it, as on Windows, and screenshots show whole windows.
wine_env_make_prefix() {
  local ready=$PREFIX_DIR/.e2e-ready
  [ -f "$ready" ] && return 0
  rm -rf "$PREFIX_DIR"
  if ! WINEARCH=win32 timeout 120 wineboot -i >"$RUN/wineboot.log" 2>&1; then
    echo "wineboot -i failed: $(tail -n 20 "$RUN/wineboot.log")" >&2
    return 1
  fi
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
      /d "${SCREEN_W}x${SCREEN_H}" /f >/dev/null 2>&1 ||
    { echo "could not configure the prefix's desktop" >&2; return 1; }
  timeout 60 wineserver -w
  touch "$ready"
}

wine_env_start() {
  export WINEPREFIX=$PREFIX_DIR
  trap wine_env_stop EXIT
  trap 'exit 130' INT TERM
  wine_env_start_display || return 1
  wine_env_make_prefix || return 1
  wineserver -p || { echo "wineserver -p failed" >&2; return 1; }
  SERVER_UP=1
}

# Windows paths: the build tree is reached through drive Z:.
# An absolute form of a path given relative to the current directory.
absolute() { case $1 in /*) printf '%s' "$1" ;; *) printf '%s/%s' "$PWD" "$1" ;; esac; }
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

