# Sourced by the benches that need a display. StartVirtualDisplay WORK_DIR starts an X server of
# the bench's own (Xvfb) on a number the server picks as free, sets virtual_display (":N") and
# xvfb_pid, and fails when it does not start; the caller's cleanup kills xvfb_pid.
StartVirtualDisplay() {
    : >"$1/display"
    # -noreset: a server that resets whenever its last client leaves refuses connections meanwhile.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$1/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do [ -s "$1/display" ] && break; sleep 0.05; done
    [ -s "$1/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    virtual_display=":$(head -n1 "$1/display")"
}
