# Sourced by the scripts that show windows without a screen (scripts/wine-suite.sh,
# scripts/screenshot-windows.sh): start_virtual_display starts an Xvfb on the first free display
# from :99 up, exports DISPLAY and leaves its process in $virtual_display_pid for the caller's exit
# trap to stop. It fails, saying so, when the display does not come up.
start_virtual_display() {
  local display=99
  while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  virtual_display_pid=$!
  export DISPLAY=":$display"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  if [ ! -e "/tmp/.X11-unix/X$display" ] || ! kill -0 "$virtual_display_pid" 2>/dev/null; then
    echo "no virtual display: Xvfb :$display did not start" >&2
    return 1
  fi
}
