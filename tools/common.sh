# Shared by the tools (sourced, not run).

# build/ is configured by one preset (CMakePresets.json), so that whichever of
# start.sh, test.sh or bench.sh runs first, the others reuse what it built.
configure_build() {
  cmake --preset shipped >/dev/null
}

# Qt wants a private runtime folder; a root shell without a login session
# has none.
ensure_runtime_dir() {
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/vad-runtime.XXXXXX")
    chmod 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
    runtime_dir_made=$XDG_RUNTIME_DIR
  fi
}
