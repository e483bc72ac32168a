#!/usr/bin/env bash
# The release artifacts as users get them, built by tools/make-dist:
#   1. the Debian package: its name, fields and files, lintian, the menu entry, the manual pages,
#      the icons and the browser edition's page (the one the build made);
#   2. installed with dpkg (root or sudo only): a user's shell in tmux starts `floodvalley` from
#      the home directory, and the run has its title, its picture and its soundtrack, ends on q
#      with status 0 leaving the q for the shell, and a kill reaches the demo itself; the
#      installed page plays from file:// in headless Chromium; `man -w` finds the manual page;
#      `dpkg --purge` leaves the file system as it was;
#   3. the Windows zip: its files, the page beside the executable, README.txt's line endings and
#      the executable's import table.
# The package is purged however the test ends. Prints one line per check; stops at a failure.
# Usage: tests/packaging/package_test.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/e2e/harness.sh"

USER_PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games  # Debian's for users
ESC=$'\e'
SGR_RED="${ESC}[31m${ESC}[101m"      # console 0xC4, red on bright red, as tmux shows it
SGR_GREEN="${ESC}[32m${ESC}[102m"    # console 0xA2, green on bright green

pass() { echo "ok: $*"; }
check() {  # check WHAT COMMAND [ARG...]
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

socket="floodvalley-package-$$"
installed=false
as_root=()
cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null || true
    if $installed; then
        run_dpkg --purge floodvalley || echo "FAIL: could not purge floodvalley" >&2
    fi
}
on_exit cleanup

# dpkg does not wait for the lock another install holds (apt on a shared machine): try again
# while that is the only reason it fails.
run_dpkg() {
    poll_until 900 "dpkg $* waited 15 minutes for the lock" dpkg_unless_locked "$@"
    [ "$(cat "$work/dpkg.status")" = 0 ] || { cat "$work/dpkg.log" >&2; return 1; }
}
dpkg_unless_locked() {
    local status=0
    "${as_root[@]}" dpkg "$@" >"$work/dpkg.log" 2>&1 || status=$?
    echo "$status" >"$work/dpkg.status"
    [ "$status" = 0 ] || ! grep -q 'lock' "$work/dpkg.log"
}

"$root/tools/make-dist"
"$root/tests/web/check-node"  # the page is opened with Playwright, as the browser tests do
(cd "$root/tests/web" && npm ci --no-audit --no-fund --loglevel=error)
version=$(sed -n 's/^project(floodvalley VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt"
deb="$root/build/dist/floodvalley_${version}_amd64.deb"
zip="$root/build/dist/floodvalley-${version}-win32.zip"
page="$root/build/dist-linux/floodvalley.html"  # the browser edition's page, as built
PAGE_PATH=/usr/share/games/floodvalley/floodvalley.html

# --- 1. The Debian package -------------------------------------------------------------------

# Every file the package holds; directories are checked by the purge below.
EXPECTED_FILES="
/usr/bin/floodvalley-frames
/usr/games/floodvalley
/usr/lib/games/floodvalley/floodvalley
/usr/lib/games/floodvalley/floodvalley-sound.so
/usr/share/applications/floodvalley.desktop
/usr/share/doc/floodvalley/README.md
/usr/share/doc/floodvalley/changelog.gz
/usr/share/doc/floodvalley/copyright
$(printf '/usr/share/doc/floodvalley/docs/%s.md\n' benchmarks browser packaging reliability terminal \
    testing tools windows)
$(printf '/usr/share/doc/floodvalley/docs/pictures/%s.png\n' 1-starting-flag 2-flood-under-way \
    3-first-caption 4-white-flood 5-caption-again 6-caption-third-time 7-second-caption \
    8-third-caption 9-signature)
/usr/share/doc/floodvalley/docs/pictures/web/browser-edition.png
/usr/share/games/floodvalley/TEVDRONE.MP3
/usr/share/games/floodvalley/floodvalley.html
$(printf '/usr/share/icons/hicolor/%sx%s/apps/floodvalley.png\n' 128 128 16 16 256 256 32 32 48 48 \
    64 64)
/usr/share/lintian/overrides/floodvalley
/usr/share/man/man1/floodvalley-frames.1.gz
/usr/share/man/man6/floodvalley.6.gz"

check_package() {
    local field contents unpacked=$work/unpacked
    echo "== the Debian package $(basename "$deb")"
    [ -f "$deb" ] || { fail "no $deb"; return; }
    check "version $version" [ "$(dpkg-deb -f "$deb" Version)" = "$version" ]
    check "section games" [ "$(dpkg-deb -f "$deb" Section)" = games ]
    # Computed from the programs: the sound, PNG and C++ libraries they link.
    field=$(dpkg-deb -f "$deb" Depends)
    check "dependencies from the programs: $field" \
        depends_on "$field" libc6 libsdl2-mixer-2.0-0 libpng16-16 zlib1g libstdc++6
    check "a summary and a long description" \
        [ "$(dpkg-deb -f "$deb" Description | wc -l)" -ge 10 ]

    contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort)
    check "exactly the expected files" \
        diff <(sort <<<"$EXPECTED_FILES" | sed '/^$/d') <(echo "$contents")
    check "owned by root, directories and programs 755, other files 644" \
        test -z "$(dpkg-deb -c "$deb" | awk '$2 != "root/root" ||
            ($1 !~ /^(drwxr-xr-x|-rwxr-xr-x|-rw-r--r--)$/) { print }')"

    dpkg-deb -x "$deb" "$unpacked"
    check "the copyright file carries the licence" diff \
        <(awk 'p { sub(/^ /, ""); sub(/^\.$/, ""); print }
               prev == "" && /^License: Expat$/ { p = 1 } { prev = $0 }' \
            "$unpacked/usr/share/doc/floodvalley/copyright") \
        <(sed -n '5,$p' "$root/LICENSE")
    check "the menu entry is valid" \
        desktop-file-validate "$unpacked/usr/share/applications/floodvalley.desktop"
    check "the menu entry starts the demo in a terminal" \
        grep -qx 'Terminal=true' "$unpacked/usr/share/applications/floodvalley.desktop"
    check "the manual pages render without warnings" check_manual_pages "$unpacked"
    check "each icon has the size its directory names" check_icons "$unpacked"
    check "the browser edition's page is the one the build made" cmp "$unpacked$PAGE_PATH" "$page"
    check "the release's page is the same" cmp "$root/build/dist/floodvalley.html" "$page"
    check "the manual page says how to open the page" eval \
        'zcat "$unpacked/usr/share/man/man6/floodvalley.6.gz" | MANWIDTH=80 man -l - |
            grep -qF "file://$PAGE_PATH"'

    echo "-- lintian"
    check "lintian ran to its end, with no error and no warning" run_lintian
}

# lintian's own status says whether it ran through (it is 0 with info tags and 2 with errors or
# warnings); one that crashes or cannot read the package fails, whatever it printed.
run_lintian() {
    local status=0
    lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 || status=$?
    grep -v 'running with root privileges' "$work/lintian.txt" || true
    [ "$status" -eq 0 ] || echo "lintian exited with status $status"
    [ "$status" -eq 0 ]
}

depends_on() {  # depends_on FIELD NAME...: each NAME with a lowest version
    local field=$1 name
    shift
    for name in "$@"; do
        grep -Fq "$name (>= " <<<"$field" || return 1
    done
}

check_manual_pages() {
    local page messages
    for page in "$1"/usr/share/man/man*/*.gz; do
        messages=$(zcat "$page" | groff -ww -z -man 2>&1)
        messages+=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$messages" ] || { echo "$page: $messages"; return 1; }
    done
}

check_icons() {
    local size
    for size in 16 32 48 64 128 256; do
        file "$1/usr/share/icons/hicolor/${size}x${size}/apps/floodvalley.png" |
            grep -q "PNG image data, $size x $size," || return 1
    done
}

# --- 2. Installed ----------------------------------------------------------------------------

tm() { tmux -L "$socket" "$@"; }
pane_text() { tm capture-pane -p -t 0; }
pane_title() { tm display -p -t 0 '#{pane_title}'; }
pane_shows() { pane_text | grep -q -- "$1"; }
title_is() { [ "$(pane_title)" = "$1" ]; }
# The one process the pane's shell runs.
demo_pid() { pgrep -P "$(tm display -p -t 0 '#{pane_pid}')"; }

# The directories the package has files in, with what they hold: after the purge they must be as
# before the install. Desktop and icon caches are rewritten by other packages' triggers.
snapshot() {
    local dir
    dpkg-deb -c "$deb" | awk '$1 ~ /^d/ { sub(/^\./, "", $6); print $6 }' | while read -r dir; do
        [ -d "$dir" ] || continue
        echo "$dir"
        find "$dir" -mindepth 1 -maxdepth 1 ! -name mimeinfo.cache ! -name icon-theme.cache
    done | sort -u
    ls /var/lib/dpkg/info/floodvalley.* 2>/dev/null || true
}

# A user's shell from the home directory, with the sound going to a file; $1 is the root the
# package's files lie under ("" when installed).
start_user_shell() {
    mkdir -p "$work/home"
    tm -f /dev/null new-session -d -x 80 -y 50 -c "$work/home" \
        "env -i HOME='$work/home' TERM=tmux-256color PATH='$1/usr/games:$USER_PATH' PS1='$ ' \
         SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='$work/sound.raw' bash --norc --noprofile"
    poll_until 10 "no shell prompt" pane_shows '^\$'
    tm send-keys -t 0 'cd ~ && clear' Enter
}

sound_was_played() {  # more than half a second of sound, and not all of it silence
    [ "$(stat -c %s "$work/sound.raw" 2>/dev/null || echo 0)" -gt 100000 ] &&
        [ -n "$(head -c 1000000 "$work/sound.raw" | tr -d '\0' | head -c 1)" ]
}

# check_installed_run ROOT: the demo started from the home directory as `floodvalley`, with the
# package's files under ROOT.
check_installed_run() {
    local files=$1 pid capture
    start_user_shell "$files"
    tm send-keys -t 0 'floodvalley; echo EXIT=$?; read -r -t 5 -n 1 key; echo; echo "KEY=[$key]"' Enter
    poll_until 15 "no demo title after 15 s" title_is "$DEMO_TITLE"
    pid=$(demo_pid)
    check "the shell runs the demo itself, no launcher left: $(readlink "/proc/$pid/exe")" \
        [ "$(readlink "/proc/$pid/exe")" = "$files/usr/lib/games/floodvalley/floodvalley" ]
    check "started in the data directory" \
        [ "$(readlink "/proc/$pid/cwd")" = "$files/usr/share/games/floodvalley" ]
    check "the home directory has no soundtrack" [ ! -e "$work/home/TEVDRONE.MP3" ]
    sleep 1  # a few frames
    capture=$(tm capture-pane -p -e -t 0)
    check "the picture: red field in the top row, green in the bottom row" \
        eval '[[ $(head -n 1 <<<"$capture") == *"$SGR_RED"* ]] &&
              [[ $(sed -n 50p <<<"$capture") == *"$SGR_GREEN"* ]]'
    poll_until 10 "no sound in $work/sound.raw" sound_was_played
    pass "the soundtrack plays ($(stat -c %s "$work/sound.raw") bytes of sound)"
    tm send-keys -t 0 q
    poll_until 10 "the run did not end on q" pane_shows '^KEY='
    check "q ends the run with status 0" pane_shows '^EXIT=0$'
    check "q is left for the shell" pane_shows '^KEY=\[q\]$'

    # Killed, the demo dies of the signal and the shell sees it (143: SIGTERM).
    tm send-keys -t 0 'clear; floodvalley; echo EXIT=$?' Enter
    poll_until 15 "no demo title on the second run" title_is "$DEMO_TITLE"
    kill -TERM "$(demo_pid)"
    poll_until 10 "the killed run did not end" pane_shows '^EXIT='
    check "a kill reaches the demo: status 143" pane_shows '^EXIT=143$'
    check "no process left in the pane" [ -z "$(demo_pid)" ]
    tm kill-server
}

check_page_in_browser() {  # check_page_in_browser PAGE
    check "the page plays from file://$1 in headless Chromium: title, key, sound, flag" \
        node "$root/tests/packaging/open_page.mjs" "$1" "$DEMO_TITLE"
}

check_install_and_purge() {
    local before
    echo "== installed with dpkg"
    if [ "$(id -u)" -ne 0 ]; then
        sudo -n true 2>/dev/null ||
            fail "installing the package needs root or password-less sudo"
        as_root=(sudo -n)
    fi
    if dpkg-query -W -f='${db:Status-Status}' floodvalley 2>/dev/null | grep -q installed; then
        fail "floodvalley is already installed here: remove it first (dpkg --purge floodvalley)"
    fi
    before=$(snapshot)
    installed=true
    run_dpkg -i "$deb" || { fail "dpkg -i failed"; return; }
    pass "installed"
    check "man -w finds floodvalley(6)" [ "$(man -w floodvalley)" = /usr/share/man/man6/floodvalley.6.gz ]
    check "floodvalley-frames --version prints $version" \
        [ "$(floodvalley-frames --version)" = "floodvalley-frames $version" ]
    check_installed_run ""
    check_page_in_browser "$PAGE_PATH"
    run_dpkg --purge floodvalley || { fail "dpkg --purge failed"; return; }
    installed=false
    check "the purge removes the page" [ ! -e "$PAGE_PATH" ]
    check "the purge leaves every directory as it was" diff <(echo "$before") <(snapshot)
}

# --- 3. The Windows zip ----------------------------------------------------------------------

check_zip() {
    local top="floodvalley-${version}-win32" unpacked=$work/zip files dump dlls
    echo "== the Windows zip $(basename "$zip")"
    [ -f "$zip" ] || { fail "no $zip"; return; }
    files=$(printf "$top/%s " LICENSE.txt README.txt TEVDRONE.MP3 floodvalley.exe floodvalley.html)
    check "exactly $files" \
        [ "$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort | tr '\n' ' ')" = "$files" ]
    unzip -q "$zip" -d "$unpacked"
    check "README.txt: every line ends in CRLF" \
        test "$(grep -c $'\r$' "$unpacked/$top/README.txt")" -eq "$(wc -l <"$unpacked/$top/README.txt")"
    check "README.txt says how to run it and how to open the page" eval \
        'grep -q "Double-click floodvalley.exe" "$unpacked/$top/README.txt" &&
         grep -q "floodvalley.html is the same demo as one web page" "$unpacked/$top/README.txt"'
    check "the soundtrack is the Debian package's" \
        cmp -s "$unpacked/$top/TEVDRONE.MP3" "$work/unpacked/usr/share/games/floodvalley/TEVDRONE.MP3"
    check "the browser edition's page beside the executable is the Debian package's" \
        cmp "$unpacked/$top/floodvalley.html" "$work/unpacked$PAGE_PATH"

    dump=$(i686-w64-mingw32-objdump -p "$unpacked/$top/floodvalley.exe")
    check "a 32-bit console program" eval 'grep -q "file format pei-i386" <<<"$dump" &&
        grep -Eq "^Subsystem[[:space:]]+00000003[[:space:]]+\(Windows CUI\)" <<<"$dump"'
    dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '[:lower:]' '[:upper:]' | sort -u |
        tr '\n' ' ')
    check "imports only the system's DLLs: $dlls" \
        [ "$dlls" = "KERNEL32.DLL MSVCRT.DLL USER32.DLL WINMM.DLL " ]
}

check_package
check_install_and_purge
check_zip

echo "== sizes"
ls -l "$root/build/dist"
echo "package test: all checks passed"
