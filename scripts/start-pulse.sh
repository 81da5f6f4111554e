#!/usr/bin/env bash
# Sourced by test.sh. When no PulseAudio server is reachable, starts a private one for the
# integration tests: its own runtime folder, a null sink "tavrin_null" as the default sink and
# its monitor "tavrin_null.monitor" as the default source, so that recording the "pulse" device
# records what was played on it; and a 440 Hz sine source "tavrin_sine". ALSA's "pulse" and
# "default" devices reach the server through the pulse plugin's own configuration; only
# XDG_RUNTIME_DIR and PULSE_RUNTIME_PATH change. PULSE_SINK / PULSE_SOURCE pick other devices
# for a client.
#
# Two properties of PulseAudio 16 that tests must know:
# - module-sine-source hands out its audio in two-second lumps (fine as a known signal, useless
#   for timing);
# - an idle null sink works in two-second blocks and needs up to two seconds to follow a new
#   client's latency. A silent low-latency stream (pacat) therefore plays into tavrin_null all
#   the time (and the sink is suspended and resumed once to take its latency), so that the
#   monitor delivers within about 50 ms of a recording's start.
#
# Sets TAVRIN_PULSE_STARTED=1 when it started a server and defines tavrin_stop_pulse.
# Safe under `set -euo pipefail`; never exits the shell that sources it.
#
# Run as a command, it manages a server of a test's own with the same configuration (tests that
# stop the server use one, so that the shared server, or the desktop's, is never touched):
#   scripts/start-pulse.sh serve DIR   starts one in folder DIR (made if missing) and returns once
#                                      it answers at unix:DIR/pulse/native (non-zero if it does
#                                      not); it ends by itself 20 s after its last client left
#   scripts/start-pulse.sh halt DIR    stops it as a user's restart does (SIGTERM), and waits
#   scripts/start-pulse.sh crash DIR   kills it as a crash does (SIGKILL), and waits

tavrin_stop_pulse() {
    if [ -n "${TAVRIN_PULSE_KEEPALIVE_PID:-}" ]; then
        kill "$TAVRIN_PULSE_KEEPALIVE_PID" 2>/dev/null || true
        wait "$TAVRIN_PULSE_KEEPALIVE_PID" 2>/dev/null || true
    fi
    if [ -n "${TAVRIN_PULSE_PID:-}" ]; then
        kill "$TAVRIN_PULSE_PID" 2>/dev/null || true
        local i
        for i in $(seq 1 50); do
            kill -0 "$TAVRIN_PULSE_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$TAVRIN_PULSE_PID" 2>/dev/null || true
        wait "$TAVRIN_PULSE_PID" 2>/dev/null || true
    fi
    if [ -n "${TAVRIN_PULSE_DIR:-}" ] && [ -d "$TAVRIN_PULSE_DIR" ]; then
        rm -rf "$TAVRIN_PULSE_DIR"
    fi
    if [ -n "${TAVRIN_PULSE_STARTED:-}" ]; then
        if [ -n "${TAVRIN_SAVED_XDG_RUNTIME_DIR:-}" ]; then
            export XDG_RUNTIME_DIR="$TAVRIN_SAVED_XDG_RUNTIME_DIR"
        else
            unset XDG_RUNTIME_DIR
        fi
        unset PULSE_RUNTIME_PATH
    fi
    unset TAVRIN_PULSE_PID TAVRIN_PULSE_KEEPALIVE_PID TAVRIN_PULSE_DIR TAVRIN_PULSE_STARTED
    unset TAVRIN_SAVED_XDG_RUNTIME_DIR
    return 0
}

# The private server's folder and configuration: DIR/pulse is its runtime folder.
tavrin_pulse_config() {
    mkdir -p "$1/pulse"
    chmod 700 "$1" "$1/pulse"
    cat >"$1/tavrin.pa" <<'PA'
load-module module-native-protocol-unix auth-anonymous=1
load-module module-cli-protocol-unix
load-module module-null-sink sink_name=tavrin_null sink_properties=device.description=Tavrin-null-sink
load-module module-sine-source source_name=tavrin_sine frequency=440
set-default-sink tavrin_null
set-default-source tavrin_null.monitor
PA
}

tavrin_start_pulse() {
    if ! command -v pactl >/dev/null 2>&1 || ! command -v pulseaudio >/dev/null 2>&1; then
        echo "start-pulse: pulseaudio or pactl is not installed; integration tests will fail" >&2
        return 0
    fi
    if pactl info >/dev/null 2>&1; then
        return 0   # a server is reachable: use it
    fi

    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-pulse.XXXXXX") || return 0
    tavrin_pulse_config "$dir"
    TAVRIN_SAVED_XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-}"
    export XDG_RUNTIME_DIR="$dir"
    export PULSE_RUNTIME_PATH="$dir/pulse"
    export TAVRIN_PULSE_DIR="$dir"

    # -n: no default script; --system=false and no daemonising so that we keep its process id
    # (it runs as root in CI, where PulseAudio only warns).
    pulseaudio --daemonize=no --system=false --exit-idle-time=-1 --disallow-exit=yes \
        -n -F "$dir/tavrin.pa" --log-target=stderr >"$dir/pulseaudio.log" 2>&1 &
    TAVRIN_PULSE_PID=$!
    export TAVRIN_PULSE_STARTED=1

    local i
    for i in $(seq 1 100); do
        if pactl info >/dev/null 2>&1; then
            echo "start-pulse: private PulseAudio (pid $TAVRIN_PULSE_PID) in $dir"
            if command -v pacat >/dev/null 2>&1; then
                pacat --playback --device=tavrin_null --latency-msec=40 --format=s16le --rate=44100 \
                    --channels=2 --client-name=tavrin-keepalive --stream-name=keepalive \
                    </dev/zero >/dev/null 2>&1 &
                TAVRIN_PULSE_KEEPALIVE_PID=$!
                # Restart the sink's clock so that it takes the short latency at once.
                sleep 0.2
                pactl suspend-sink tavrin_null 1 >/dev/null 2>&1 || true
                pactl suspend-sink tavrin_null 0 >/dev/null 2>&1 || true
            fi
            return 0
        fi
        if ! kill -0 "$TAVRIN_PULSE_PID" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    echo "start-pulse: the private PulseAudio did not come up; its log follows" >&2
    cat "$dir/pulseaudio.log" >&2 || true
    return 0
}

# --- a test's own server ------------------------------------------------------------------

tavrin_serve_pulse() {
    local dir=$1
    tavrin_pulse_config "$dir"
    # A server killed a moment ago may linger as a zombie that PulseAudio takes for a running one.
    rm -f "$dir/pulse/pid"
    XDG_RUNTIME_DIR="$dir" PULSE_RUNTIME_PATH="$dir/pulse" setsid pulseaudio --daemonize=no --system=false \
        --exit-idle-time=20 -n -F "$dir/tavrin.pa" --log-target=stderr \
        </dev/null >>"$dir/pulseaudio.log" 2>&1 &
    echo $! >"$dir/server.pid"
    local i
    for i in $(seq 1 100); do
        if PULSE_SERVER="unix:$dir/pulse/native" pactl info >/dev/null 2>&1; then
            return 0
        fi
        tavrin_running "$(cat "$dir/server.pid")" || break
        sleep 0.1
    done
    echo "start-pulse: the server in $dir did not come up; its log follows" >&2
    cat "$dir/pulseaudio.log" >&2 || true
    return 1
}

# Whether a process runs (a zombie that nobody reaped yet does not).
tavrin_running() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    case "$state" in Z*) return 1 ;; esac
    return 0
}

tavrin_end_pulse() {
    local dir=$1 signal=$2 pid i
    pid=$(cat "$dir/server.pid" 2>/dev/null) || return 0
    kill "-$signal" "$pid" 2>/dev/null || true
    for i in $(seq 1 50); do
        tavrin_running "$pid" || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
    for i in $(seq 1 50); do
        tavrin_running "$pid" || break
        sleep 0.1
    done
    rm -f "$dir/server.pid"
    return 0
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    case "${1:-}:${2:-}" in
    serve:?*) tavrin_serve_pulse "$2" ;;
    halt:?*) tavrin_end_pulse "$2" TERM ;;
    crash:?*) tavrin_end_pulse "$2" KILL ;;
    *)
        echo "usage: $0 serve|halt|crash DIR (or source it to start the test command's server)" >&2
        exit 2
        ;;
    esac
    exit $?
fi

tavrin_start_pulse
