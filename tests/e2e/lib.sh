# Shared by the end-to-end scripts (sourced).

now_ms() { local t="${EPOCHREALTIME/[.,]/}"; echo $((t / 1000)); }
# Polls a command every 0.1 s for up to SECONDS: wait_for SECONDS COMMAND [ARG...]
wait_for() {
  local deadline=$(($(now_ms) + $1 * 1000)); shift
  until "$@"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# An empty home and XDG folders of its own under the given folder.
private_home() {
  export HOME="$1/home" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" XDG_CACHE_HOME="$1/cache"
  export XDG_RUNTIME_DIR="$1/run"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
}

# The share (0 to 1) of an image's pixels within 12 % of a colour: colour_share FILE "rgb(R,G,B)"
colour_share() {
  convert "$1" -fuzz 12% -fill black +opaque "$2" -fill white -opaque "$2" -format "%[fx:mean]" info:
}
