#!/bin/sh
# Runs a window test program: on the current X display, or under a virtual one
# (xvfb-run) when there is none.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
fi
exec "$@"
