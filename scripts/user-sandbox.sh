# Sourced by the scripts that start the windows: EnterUserSandbox NAME gives this shell a home and
# XDG folders of its own below a new temporary folder (in $sandbox), removed on exit, so the
# windows read no settings of the person running the script and write none of theirs.
EnterUserSandbox() {
    sandbox=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-$1-XXXXXX")
    trap 'rm -rf "$sandbox"' EXIT
    export HOME=$sandbox XDG_CONFIG_HOME=$sandbox/config XDG_DATA_HOME=$sandbox/data
    export XDG_STATE_HOME=$sandbox/state XDG_RUNTIME_DIR=$sandbox/run
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
}
