#!/usr/bin/env bash
# Checks the program as `cmake --install` lays it out, one step per CTest test:
#   installed.sh STEP BUILD_DIR SCRATCH
# "prefix" installs into SCRATCH/prefix; the other steps use that prefix and a folder of their own
# under SCRATCH, with their own home, so nothing of the user's is read or written. The game steps
# need a display (test.sh runs CTest under Xvfb) and xdotool; the server step talks to loopback only.
set -euo pipefail
step=$1
build=$2
scratch=$3
prefix=$scratch/prefix
data_files=(paddle_tx.png counter_tx.png gun1.mp3 explosion1.mp3 paddlehit.mp3 applause.mp3 objects.txt)
desktop=$prefix/share/applications/org.ruvuriva.Vazazo.desktop
unit=$prefix/lib/systemd/system/vazazo-server.service
resources=$(cd "$(dirname "$0")/../../resources" && pwd)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Polls the command given until it succeeds, at most $1 seconds.
wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 4))
    while ! "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.25
    done
}

# The width and height a PNG file declares.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

# --- the game, started in a folder of the step's own -------------------------------------------
pid=
stop_game() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
    fi
}
trap stop_game EXIT

# start_game FOLDER COMMAND...: the game's output goes to $place/out and $place/err.
start_game() {
    local folder=$1
    shift
    (cd "$folder" && exec env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        "$@") >"$place/out" 2>"$place/err" &
    pid=$!
}

game_window() {
    kill -0 "$pid" 2>/dev/null || fail "the game ended before its window showed: $(cat "$place/err")"
    window=$(xdotool search --onlyvisible --pid "$pid" --name '^Vazazo' 2>/dev/null | head -n 1) || true
    [ -n "$window" ]
}

# The caption turns from "Vazazo" to the measured frame rate once frames are drawn; the textures
# are loaded after the first one.
frames_drawn() {
    local title
    title=$(xdotool getwindowname "$window" 2>/dev/null) || return 1
    [ -n "$title" ] && [ "$title" != "Vazazo" ]
}

wait_until_drawing() {
    wait_for 120 game_window || fail "no game window within two minutes"
    wait_for 60 frames_drawn || fail "the game drew no frames within a minute"
}

press() {
    timeout 20 xdotool windowfocus --sync "$window" key "$1" || fail "cannot press $1 in the game window"
}

game_ended() {
    ! kill -0 "$pid" 2>/dev/null
}

# Escape must end the game, normally.
quit_with_escape() {
    press Escape
    wait_for 30 game_ended || fail "the game is still running 30 s after Escape"
    local status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "the game ended with exit code $status: $(cat "$place/err")"
}

no_missing_files() {
    if grep -q "Missing data file" "$place/err"; then
        fail "data files not found: $(grep "Missing data file" "$place/err")"
    fi
}

new_place() {
    place=$scratch/$1
    home=$place/home
    rm -rf "$place"
    mkdir -p "$home"
}

case $step in
prefix)
    rm -rf "$prefix"
    mkdir -p "$scratch"
    cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || fail "cmake --install: $(cat "$scratch/install.log")"
    for program in vazazo vazazo-server; do
        [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
    done
    if [ -e "$build/vazazo-export" ]; then
        [ -x "$prefix/bin/vazazo-export" ] || fail "bin/vazazo-export is built but not installed"
    fi
    for file in "${data_files[@]}"; do
        cmp -s "$resources/$file" "$prefix/share/vazazo/$file" ||
            fail "share/vazazo/$file is missing or differs from resources/$file"
    done
    for file in share/metainfo/org.ruvuriva.Vazazo.metainfo.xml share/man/man1/vazazo.1 \
        share/man/man1/vazazo-server.1 share/icons/hicolor/scalable/apps/org.ruvuriva.Vazazo.svg; do
        [ -s "$prefix/$file" ] || fail "$file is not installed"
    done
    for side in 48 64 128 256; do
        icon=$prefix/share/icons/hicolor/${side}x${side}/apps/org.ruvuriva.Vazazo.png
        [ -s "$icon" ] || fail "the ${side}x${side} icon is not installed"
        [ "$(png_size "$icon")" = "${side}x${side}" ] || fail "the ${side}x${side} icon is $(png_size "$icon")"
    done
    grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/org.ruvuriva.Vazazo.svg" || fail "the scalable icon is no SVG"
    # The menu entry and the unit name the programs where this installation put them.
    grep -qx "Exec=$prefix/bin/vazazo --user-folder" "$desktop" || fail "the menu entry does not start $prefix/bin/vazazo"
    grep -q "^ExecStart=$prefix/bin/vazazo-server " "$unit" || fail "the unit does not start $prefix/bin/vazazo-server"
    ;;

metadata)
    desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the menu entry"
    appstreamcli validate --no-net "$prefix/share/metainfo/org.ruvuriva.Vazazo.metainfo.xml" ||
        fail "appstreamcli refuses the metainfo"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the menu entry's icon $icon is not installed"
    grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" \
        "$prefix/share/metainfo/org.ruvuriva.Vazazo.metainfo.xml" || fail "the metainfo does not launch the menu entry"
    # The release the store lists is the one installed.
    version=$("$prefix/bin/vazazo" --version | sed -n 's/^Vazazo //p')
    grep -q "<release version=\"$version\"" "$prefix/share/metainfo/org.ruvuriva.Vazazo.metainfo.xml" ||
        fail "the metainfo has no release entry for version $version"
    grep -q "<caption>..*</caption>" "$prefix/share/metainfo/org.ruvuriva.Vazazo.metainfo.xml" ||
        fail "the metainfo's screenshot has no caption"
    for page in vazazo vazazo-server; do
        grep -q "Vazazo $version" "$prefix/share/man/man1/$page.1" || fail "man page $page.1 is not for version $version"
        warnings=$(groff -man -ww -z -Tutf8 "$prefix/share/man/man1/$page.1" 2>&1)
        [ -z "$warnings" ] || fail "man page $page.1: $warnings"
    done
    if command -v systemd-analyze >/dev/null; then
        # It reports options it does not understand, yet still succeeds.
        if ! verdict=$(timeout 60 systemd-analyze verify --man=no "$unit" 2>&1) || [ -n "$verdict" ]; then
            fail "systemd-analyze verify: $verdict"
        fi
    fi
    for option in DynamicUser=yes StateDirectory=vazazo-server Restart=on-failure ProtectSystem=strict; do
        grep -qx "$option" "$unit" || fail "the unit lacks $option"
    done
    ;;

game)
    # From an empty folder every texture and sound comes from the installation, the screenshot
    # lands in the folder the game was started in, and Escape ends it.
    new_place game
    mkdir "$place/empty"
    start_game "$place/empty" "$prefix/bin/vazazo"
    wait_until_drawing
    press s
    # A texture that cannot be loaded holds the game in a message box; say why.
    wait_for 30 test -s "$place/empty/screenShot0000.png" || {
        no_missing_files
        fail "no screenshot in the working folder"
    }
    quit_with_escape
    no_missing_files
    for file in "${data_files[@]}"; do
        [ ! -e "$place/empty/$file" ] || fail "the game put $file into its working folder"
    done
    ;;

missing_file)
    # An installation that lost a sound: the game still starts, and says which file and where it
    # looked.
    new_place missing_file
    cp -a "$prefix" "$place/prefix"
    rm "$place/prefix/share/vazazo/applause.mp3"
    mkdir "$place/empty"
    start_game "$place/empty" "$place/prefix/bin/vazazo"
    wait_for 120 game_window || fail "no game window within two minutes"
    quit_with_escape
    grep -q "Missing data file applause.mp3: not in $place/empty or $place/prefix/share/vazazo" "$place/err" ||
        fail "the missing sound is not named: $(cat "$place/err")"
    [ "$(grep -c "Missing data file" "$place/err")" -eq 1 ] || fail "other files reported missing: $(cat "$place/err")"
    ;;

menu_entry)
    # Started as the menu starts it (from the home folder, as a desktop does), the game works in
    # ~/Vazazo, made on first start.
    new_place menu_entry
    command=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ %[fFuUick]//g')
    [ ! -e "$home/Vazazo" ] || fail "Vazazo exists in the home folder before the first start"
    # shellcheck disable=SC2086 # the entry's command line, split as the desktop splits it
    start_game "$home" $command
    wait_until_drawing
    [ -d "$home/Vazazo" ] || fail "Vazazo was not made in the home folder"
    press s
    wait_for 30 test -s "$home/Vazazo/screenShot0000.png" || {
        no_missing_files
        fail "no screenshot in ~/Vazazo"
    }
    [ ! -e "$home/screenShot0000.png" ] || fail "the screenshot went to the folder the game was started in"
    quit_with_escape
    no_missing_files
    ;;

server)
    # The unit's command line, with systemd's state folder in the scratch folder and the ports left
    # to the system through the unit's own options variable, so that no other server is disturbed.
    place=$scratch/server
    rm -rf "$place"
    state=$place/state
    mkdir -p "$state/vazazo-server"
    exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
    exec_start=${exec_start//%S/$state}
    exec_start=${exec_start//\$VAZAZO_SERVER_OPTIONS/--http-port 0 --port 0}
    case " $exec_start " in
    *" --listen "*) fail "the unit's own arguments leave loopback: $exec_start" ;;
    esac
    # shellcheck disable=SC2086 # split as systemd splits it
    set -- $exec_start
    (cd "$state/vazazo-server" && exec "$@") >"$place/out" 2>"$place/err" &
    pid=$!
    started() {
        kill -0 "$pid" 2>/dev/null || fail "the server ended at start: $(cat "$place/err")"
        grep -q "discovery page" "$place/err"
    }
    wait_for 30 started || fail "the server did not say it started within 30 s"
    # Like every line of the server, the start line goes to stderr.
    url=$(grep -o 'http://[^ ,]*' "$place/err" | head -n 1)
    case $url in
    http://127.0.0.1:*) ;;
    *) fail "the server listens beyond loopback: $url" ;;
    esac
    page=$(curl --silent --show-error --max-time 10 "$url") || fail "the page $url cannot be fetched"
    port=$(grep -o 'score server 127.0.0.1:[0-9]*' "$place/err" | sed 's/.*://')
    [ ! -s "$place/out" ] || fail "the server printed on stdout: $(cat "$place/out")"
    [ "$(printf '%s\n' "$page" | sed -n 2p | tr -d '\r')" = "127.0.0.1:$port" ] ||
        fail "the page does not name the score server 127.0.0.1:$port: $page"
    [ -s "$state/vazazo-server/vazazo-server.sqlite" ] || fail "no database in the state folder"
    kill -TERM "$pid"
    wait_for 30 game_ended || fail "the server is still running 30 s after SIGTERM"
    status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "the server ended with exit code $status after SIGTERM"
    ;;

*)
    fail "unknown step $step"
    ;;
esac
echo "PASS: $step"
