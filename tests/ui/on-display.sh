#!/bin/sh
# Runs a test program on a display of its own (Xvfb), under the openbox window manager or, with
# "none" as the first argument, without one.
manager=$1
shift
exec xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
  if [ "$0" != none ]; then
    openbox >/dev/null 2>&1 &
    # Until it has announced itself on the root window.
    i=0
    while [ $i -lt 50 ] && ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
      sleep 0.1; i=$((i + 1))
    done
  fi
  exec "$@"' "$manager" "$@"
