#!/usr/bin/env bash
# Starts and stops the virtual cameras that the Windows tests reach through COM ports of a Wine
# prefix: each camera serves a pseudo-terminal, and a link in the prefix's dosdevices folder
# makes that terminal the COM port of the same name.
#
#   cameras.sh start STATE_DIR DOSDEVICES_DIR CAMSIM "COM7|--cameras 3" "COM8|--fault silent" ...
#   cameras.sh stop STATE_DIR
set -euo pipefail

# True while the process runs. An ended one that its parent (here whatever adopted it) has not
# yet reaped still answers kill -0, so its state is read.
running() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [ "${stat%% *}" != Z ]
}

stop() {
    local state=$1 pidfile pid
    for pidfile in "$state"/*.pid; do
        [ -e "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        rm -f "$pidfile"
        # The camera removes its link when it ends on SIGTERM; wait for that, up to 5 s.
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 100); do
                running "$pid" || break
                sleep 0.05
            done
        fi
    done
}

action=${1:?start or stop}
state=${2:?state folder}
case $action in
    start)
        dosdevices=${3:?dosdevices folder}
        camsim=${4:?quorvin-camsim program}
        shift 4
        mkdir -p "$state"
        stop "$state"   # what an interrupted run left behind
        for camera in "$@"; do
            port=${camera%%|*}
            read -r -a options <<<"${camera#*|}"
            link="$dosdevices/${port,,}"
            rm -f "$link"
            # A session of its own: ctest does not wait for it, and nothing of the test run's
            # terminal reaches it.
            setsid "$camsim" --link "$link" "${options[@]}" \
                </dev/null >"$state/$port.out" 2>"$state/$port.err" &
            echo $! >"$state/$port.pid"
        done
        for camera in "$@"; do
            port=${camera%%|*}
            link="$dosdevices/${port,,}"
            for _ in $(seq 100); do
                [ -L "$link" ] && break
                sleep 0.05
            done
            if [ ! -L "$link" ]; then
                echo "the camera for $port did not start:" >&2
                cat "$state/$port.err" >&2
                stop "$state"
                exit 1
            fi
            echo "$port -> $(readlink "$link")"
        done
        ;;
    stop)
        stop "$state"
        ;;
    *)
        echo "usage: $0 start|stop ..." >&2
        exit 2
        ;;
esac
