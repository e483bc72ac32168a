# Sourced after tests/e2e/harness.sh by the scripts that open the browser edition in Chromium.
#   prepare_web_edition   the web preset built, and the browser tests' npm packages installed
#   serve_site DIR        serves DIR from 127.0.0.1 at a port the system picks, until the script
#                         ends (the server is stopped by its pid however it ends); sets SITE_URL
site_sources=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

prepare_web_edition() {
    "$site_sources/tools/setup/ensure-packages" build music web
    "$site_sources/tests/web/check-node"
    (cd "$site_sources" && cmake --preset web >/dev/null && cmake --build --preset web)
    (cd "$site_sources/tests/web" && npm ci --no-audit --no-fund --loglevel=error)
}

serve_site() {
    python3 "$site_sources/web/serve.py" "$1" --port 0 --port-file "$work/port" --quiet &
    site_server_pid=$!
    on_exit "kill $site_server_pid 2>/dev/null; wait $site_server_pid 2>/dev/null"
    poll_until 10 "the web server did not listen within 10 s" site_listening
    SITE_URL="http://127.0.0.1:$(cat "$work/port")/"
    [[ $SITE_URL =~ ^http://127\.0\.0\.1:[0-9]+/$ ]] || fail "the web server gave no port"
}

site_listening() {
    [ -s "$work/port" ] && return
    kill -0 "$site_server_pid" 2>/dev/null || fail "the web server exited before it listened"
    return 1
}
