# Sourced by the demos. The wizard's window needs an X server the lab's
# network namespace can reach: its socket file in /tmp/.X11-unix works across
# namespaces; a TCP display (ssh -X) and an abstract socket (the namespace
# has its own) do not.
# window_unreachable: prints why DISPLAY cannot be used, or nothing.
window_unreachable() {
  local display=${DISPLAY:-}
  if [[ ! $display =~ ^(unix)?:([0-9]+)(\.[0-9]+)?$ ]]; then
    echo "DISPLAY=$display is not a local X display (a TCP display, as ssh -X gives, cannot be reached from the lab's network namespace)"
  elif [ ! -S "/tmp/.X11-unix/X${BASH_REMATCH[2]}" ]; then
    echo "the X server of DISPLAY=$display has no socket file /tmp/.X11-unix/X${BASH_REMATCH[2]} (an abstract socket cannot be reached from the lab's network namespace)"
  fi
}

# use_window: true when the run is to be shown in the wizard's window (a
# display is set and reachable, and VAMO_DEMO_TERMINAL is not 1); says why
# not when a display is set but cannot be used.
use_window() {
  [ -n "${DISPLAY:-}" ] && [ "${VAMO_DEMO_TERMINAL:-0}" != 1 ] || return 1
  local why
  why=$(window_unreachable)
  [ -z "$why" ] && return 0
  echo "demo: showing the run in the terminal: $why"
  return 1
}
