# shellcheck shell=bash disable=SC2034
# Sourced by the shell tests that talk to the remote view.
# serve_fluxprobe OUT ERR COMMAND...: runs COMMAND (fluxprobe with --serve) in the background,
# its stdout in OUT and stderr in ERR (which may be OUT), and waits up to 10 s for the URL it
# announces. Sets served_pid, and served_url (empty when none came).
serve_fluxprobe() {
    local out=$1 err=$2
    shift 2
    : >"$out"
    if [ "$err" = "$out" ]; then "$@" >"$out" 2>&1 & else "$@" >"$out" 2>"$err" & fi
    served_pid=$!
    for _ in $(seq 100); do
        grep -q 'remote view at' "$out" && break
        sleep 0.1
    done
    served_url=$(sed -n 's/^fluxprobe: remote view at \(http:[^ ]*\)$/\1/p' "$out")
    [ -n "$served_url" ] ||
        echo "serve_fluxprobe: gave up after 10 s waiting for 'remote view at' from $*" >&2
}
