# Sourced by the screenshot scripts: a private virtual X display for a
# program's window, and the picture of it.
#   start_virtual_display WIDTHxHEIGHT   starts Xvfb on the first free display
#                                        and points DISPLAY at it; the server,
#                                        and the program started in
#                                        $program_pid, end with the script
#   wait_for_window TITLE_REGEX TRIES    sets $window to the window whose title
#                                        matches, asking every 0.2 s
# Needs Xvfb, xdotool and ImageMagick's import (scripts/install-deps.sh).

program_pid=
server_pid=

stop_virtual_display() {
  # The program first (SIGTERM closes its window), then the server it talks to.
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
}

start_virtual_display() {
  local display=99
  while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 "${1}x24" -nolisten tcp >/dev/null 2>&1 &
  server_pid=$!
  trap stop_virtual_display EXIT
  export DISPLAY=":$display"
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

wait_for_window() {
  window=
  for _ in $(seq "$2"); do
    window=$(xdotool search --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && return 0
    sleep 0.2
  done
  echo "no window \"$1\" appeared" >&2
  return 1
}
