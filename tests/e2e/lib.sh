# shellcheck shell=bash disable=SC2034  # the layout constants are the scenarios' to use
# End-to-end test library, sourced by the scenario scripts: a private X server (Xvfb, no window
# manager) and a private sound server (PulseAudio with a null sink), the program under test,
# recordings of what it plays, mouse and keyboard input, screenshots.
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_init "$@"        # PROGRAM WAVCHECK WMDELETE ARTIFACT_DIR
#
# Every process started here is stopped again, by PID, when the script exits for any reason.
# Logs, recordings and screenshots stay in ARTIFACT_DIR; sockets live in a private directory
# under /tmp (a unix socket path must stay under 108 bytes) that is removed on exit.

set -euo pipefail

# ---- main window layout, in client pixels ------------------------------------------------
# Positions are client-relative twips divided by 15. Without a window manager the top-level X
# window is exactly the client area, so `xdotool mousemove --window` takes these directly.

# Client area: 8130 x 7635 twips (outer width 8340 less the 210-twip frame).
readonly E2E_CLIENT_W=542 E2E_CLIENT_H=509
# Board `Picdraw` at (240, 1320) twips = (16, 88) px; its drawing area starts inside the
# 2-pixel border, and board coordinates (twips) count from there.
readonly E2E_BOARD_X=18 E2E_BOARD_Y=90
# Drawing area: 7695 x 4935 twips = 513 x 329 px, less the border on both sides.
readonly E2E_BOARD_W=509 E2E_BOARD_H=325
# `cmdplay` (3360, 840) 735 x 375 twips: its centre.
readonly E2E_PLAY_X=248 E2E_PLAY_Y=68
# `cmdstop` (4440, 840) 735 x 375 twips: its centre.
readonly E2E_STOP_X=320 E2E_STOP_Y=68
# Play lamp `Picture3` (4200, 840) 135 x 375 twips: its centre; green while playing.
readonly E2E_LAMP_X=284 E2E_LAMP_Y=68
# "vu" `Command2` (6120, 240) 375 x 255 twips: its centre; shows the meter window.
readonly E2E_VU_X=420 E2E_VU_Y=24
# "osc" `Command20` (4560, 240) 375 x 255 twips: its centre; shows the oscillator panel.
readonly E2E_OSC_X=316 E2E_OSC_Y=24
# Swatches `lblcolor`(i): 495 x 495 twips (33 px) at Top 6600 twips (440 px); centre row.
readonly E2E_SWATCH_Y=456
# Left edge of `lblcolor`(0..8) in twips; a swatch's centre is Left / 15 + 16 px.
readonly -a E2E_SWATCH_LEFT_TWIPS=(720 1440 2160 3120 4560 7080 3840 6360 5640)
# Colour of `lblcolor`(0..8) as a screenshot gives it (RRGGBB): grey, blue, green, cyan, red,
# magenta, yellow, white, orange.
readonly -a E2E_SWATCH_RGB=(808080 0000FF 00FF00 00FFFF FF0000 FF00FF FFFF00 FFFFFF FF8000)

# ---- the test note -----------------------------------------------------------------------
# Grey chalk at board Y = 2100 twips (140 px) writes Tone 2100 / 200 = 10, which holds from
# 2000 to 2199 twips: a pixel off either way still writes 10.
readonly E2E_TONE_Y_PX=140
# pitch = 24 - Tone cycles per 360-sample loop at 22050 Hz: 14 x 61.25 Hz.
readonly E2E_TONE_HZ=857.5
# The stroke runs from board X = 30 to 7530 twips (2 to 502 px): columns 0 to 31 (a column is
# X / 240 rounded; 7560 and beyond would be column 32). Every 4 px (60 twips) is one move, so
# each 240-twip column gets four.
readonly E2E_STROKE_X0_PX=2 E2E_STROKE_X1_PX=502 E2E_STROKE_STEP_PX=4

# ---- sound --------------------------------------------------------------------------------
# The null sink takes the program's own format, so the monitor records it sample for sample.
readonly E2E_SINK=tavrilo_e2e E2E_RATE=22050

# ---- deadlines, in seconds (generous: the program may run under sanitizers) -----------------
readonly E2E_X_DEADLINE=20 E2E_PULSE_DEADLINE=20 E2E_WINDOW_DEADLINE=30 E2E_STOP_GRACE=5
# The whole scenario; ctest's own timeout is longer, so the cleanup here always gets to run.
E2E_SCRIPT_DEADLINE=${E2E_SCRIPT_DEADLINE:-140}

# ---- state -----------------------------------------------------------------------------------
E2E_PROGRAM="" E2E_WAVCHECK="" E2E_WMDELETE="" E2E_ARTIFACTS="" E2E_RT=""
E2E_T_START=$EPOCHREALTIME
E2E_MAIN_WIN="" E2E_PROGRAM_IDX="" E2E_PULSE_IDX="" E2E_REC_IDX="" E2E_REC_FILE="" E2E_REC_T0=""
E2E_EXIT_STATUS="" E2E_IDX="" E2E_SHOT=""
# Checks that failed so far; a scenario goes on after them and reports them all at the end.
E2E_FAILURES=()
# Processes started here: name, PID, start time (clock ticks since boot, field 22 of
# /proc/PID/stat) and the signal that ends each one properly.
E2E_NAMES=() E2E_PIDS=() E2E_STARTS=() E2E_SIGNALS=() E2E_DONE=()

e2e_log() {
    printf '[e2e %6.2fs] %s\n' "$(e2e_elapsed)" "$*" >&2
}

e2e_elapsed() {
    awk -v a="$E2E_T_START" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }'
}

# Ends the scenario: says what was expected and what happened, and where the logs are.
e2e_fail() {
    printf '\nFAIL: %s\n' "$*" >&2
    if [[ -n $E2E_ARTIFACTS ]]; then
        printf 'Logs, recordings and screenshots: %s\n' "$E2E_ARTIFACTS" >&2
        local f
        for f in "$E2E_ARTIFACTS"/program.err "$E2E_ARTIFACTS"/program.out; do
            if [[ -s $f ]]; then
                printf -- '--- last lines of %s ---\n' "$f" >&2
                tail -n 15 "$f" >&2
            fi
        done
    fi
    exit 1
}

# Records a failed check and goes on, so that one run shows everything that is missing.
e2e_check_failed() {
    E2E_FAILURES+=("$*")
    printf 'CHECK FAILED: %s\n' "$*" >&2
}

# Ends a scenario: fails with every check that failed, or passes.
e2e_finish() {
    if ((${#E2E_FAILURES[@]})); then
        local msg="${#E2E_FAILURES[@]} check(s) failed:" f
        for f in "${E2E_FAILURES[@]}"; do
            msg+=$'\n  - '"$f"
        done
        e2e_fail "$msg"
    fi
    exit 0
}

e2e_calc() {
    awk "BEGIN { printf \"%.3f\", $1 }"
}

# ---- processes -------------------------------------------------------------------------------

# "<state> <starttime>" of a PID, or "gone".
_e2e_stat() {
    local stat
    { read -r stat <"/proc/$1/stat"; } 2>/dev/null || { echo gone; return; }
    # The command name may hold spaces and parentheses: split after the last ')'.
    local -a rest
    read -r -a rest <<<"${stat##*) }"
    echo "${rest[0]} ${rest[19]}"
}

# True while process number $1 of the registry runs: same PID, same start time, and neither a
# zombie nor dead (PID 1 may not reap, so a mere `kill -0` can mislead).
e2e_alive() {
    local i=$1 st
    [[ ${E2E_DONE[i]} == 0 ]] || return 1
    st=$(_e2e_stat "${E2E_PIDS[i]}")
    [[ $st != gone ]] || return 1
    local state=${st%% *} start=${st#* }
    [[ $start == "${E2E_STARTS[i]}" && $state != Z && $state != X ]]
}

# Adds a child process to the registry and sets E2E_IDX to its index.
_e2e_register() {
    local name=$1 pid=$2 signal=$3 st
    st=$(_e2e_stat "$pid")
    E2E_NAMES+=("$name")
    E2E_PIDS+=("$pid")
    E2E_STARTS+=("${st#* }")
    E2E_SIGNALS+=("$signal")
    E2E_DONE+=(0)
    E2E_IDX=$((${#E2E_PIDS[@]} - 1))
}

# Starts a command in the background with its output in ARTIFACTS/NAME.out and .err; sets
# E2E_IDX to its registry index. SIGNAL is what ends it properly (parec needs INT to finish its
# WAV header).
e2e_spawn() {
    local name=$1 signal=$2
    shift 2
    "$@" >"$E2E_ARTIFACTS/$name.out" 2>"$E2E_ARTIFACTS/$name.err" &
    _e2e_register "$name" $! "$signal"
}

# Waits up to $2 seconds for process $1 to end by itself, then collects its exit status into
# E2E_EXIT_STATUS. Fails (status 1) when it is still running.
e2e_wait_exit() {
    local i=$1 deadline
    deadline=$(e2e_calc "$EPOCHREALTIME + $2")
    while e2e_alive "$i"; do
        if awk -v now="$EPOCHREALTIME" -v d="$deadline" 'BEGIN { exit !(now > d) }'; then
            return 1
        fi
        sleep 0.05
    done
    E2E_EXIT_STATUS=0
    wait "${E2E_PIDS[i]}" 2>/dev/null || E2E_EXIT_STATUS=$?
    E2E_DONE[i]=1
    return 0
}

# Ends process $1 with its own signal (or $2), and with SIGKILL after the grace period.
e2e_stop() {
    local i=$1 signal=${2:-${E2E_SIGNALS[$1]}}
    [[ ${E2E_DONE[i]} == 0 ]] || return 0
    if e2e_alive "$i"; then
        kill "-$signal" "${E2E_PIDS[i]}" 2>/dev/null || true
        if ! e2e_wait_exit "$i" "$E2E_STOP_GRACE"; then
            e2e_log "${E2E_NAMES[i]} (PID ${E2E_PIDS[i]}) ignored SIG$signal; killing it"
            kill -KILL "${E2E_PIDS[i]}" 2>/dev/null || true
            e2e_wait_exit "$i" "$E2E_STOP_GRACE" || e2e_log "${E2E_NAMES[i]} would not end"
        fi
    else
        wait "${E2E_PIDS[i]}" 2>/dev/null || true
        E2E_DONE[i]=1
    fi
}

_e2e_cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    if ((status == 0 && ${#E2E_FAILURES[@]})); then
        status=1
    fi
    set +e
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        e2e_stop "$i"
    done
    if [[ -n $E2E_RT && -d $E2E_RT ]]; then
        rm -rf -- "$E2E_RT"
    fi
    if ((status == 0)); then
        e2e_log "PASS (artifacts in $E2E_ARTIFACTS)"
    fi
    exit "$status"
}

# Ends the scenario with SIGTERM (and so with its cleanup) once it has run $2 seconds. SIGTERM
# to the watchdog stops it quietly, together with its sleep.
_e2e_watchdog() {
    local parent=$1 seconds=$2
    trap 'kill "$sleeper" 2>/dev/null; wait "$sleeper" 2>/dev/null; exit 0' TERM
    sleep "$seconds" >/dev/null 2>&1 &
    local sleeper=$!
    wait "$sleeper"
    echo "the scenario took more than $seconds s" >&2
    kill -TERM "$parent" 2>/dev/null
}

# ---- set-up ----------------------------------------------------------------------------------

e2e_require_tools() {
    local missing=() t
    for t in Xvfb xdpyinfo xwininfo xev xdotool import convert pulseaudio pactl parec timeout awk; do
        command -v "$t" >/dev/null || missing+=("$t")
    done
    if ((${#missing[@]})); then
        e2e_fail "missing tools: ${missing[*]} (install them with: scripts/deps.sh test)"
    fi
}

# e2e_init PROGRAM WAVCHECK WMDELETE ARTIFACT_DIR
e2e_init() {
    (($# == 4)) || e2e_fail "usage: $0 PROGRAM WAVCHECK WMDELETE ARTIFACT_DIR"
    E2E_PROGRAM=$1 E2E_WAVCHECK=$2 E2E_WMDELETE=$3
    local artifacts=$4
    [[ -x $E2E_PROGRAM ]] || e2e_fail "program under test not found or not executable: $E2E_PROGRAM"
    [[ -x $E2E_WAVCHECK ]] || e2e_fail "wavcheck not found: $E2E_WAVCHECK"
    [[ -x $E2E_WMDELETE ]] || e2e_fail "wmdelete not found: $E2E_WMDELETE"
    e2e_require_tools

    # Only ever clear a directory this library made.
    if [[ -e $artifacts && ! -e $artifacts/.tavrilo-e2e ]] &&
        [[ -n $(ls -A "$artifacts" 2>/dev/null) ]]; then
        e2e_fail "artifact directory $artifacts exists and is not ours; not touching it"
    fi
    rm -rf -- "$artifacts"
    mkdir -p -- "$artifacts"
    : >"$artifacts/.tavrilo-e2e"
    E2E_ARTIFACTS=$(cd "$artifacts" && pwd)

    trap _e2e_cleanup EXIT
    trap 'e2e_fail "interrupted (SIGINT)"' INT
    trap 'e2e_fail "stopped by SIGTERM (the watchdog, or the test driver timing out)"' TERM
    trap 'e2e_fail "hung up (SIGHUP)"' HUP

    E2E_RT=$(mktemp -d /tmp/tavrilo-e2e.XXXXXX)
    chmod 700 "$E2E_RT"
    mkdir -m 700 "$E2E_RT/xdg" "$E2E_RT/pulse" "$E2E_RT/home"
    # An empty ALSA configuration: without the private sound server nothing can open a device,
    # even on a machine with a sound card.
    : >"$E2E_RT/alsa.conf"

    # Everything started from here talks only to the private servers and writes only under
    # the private directory (PulseAudio would otherwise use /root).
    unset SDL_AUDIODRIVER WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
    # A UTF-8 locale keeps Qt from warning about the C locale on stderr.
    export LC_ALL=C.UTF-8
    export QT_QPA_PLATFORM=xcb
    export HOME=$E2E_RT/home
    export XDG_RUNTIME_DIR=$E2E_RT/xdg
    export PULSE_SERVER=unix:$E2E_RT/pulse/native
    export PULSE_RUNTIME_PATH=$E2E_RT/pulse
    export PULSE_STATE_PATH=$E2E_RT/pulse/state
    export PULSE_COOKIE=$E2E_RT/pulse/cookie
    export ALSA_CONFIG_PATH=$E2E_RT/alsa.conf

    _e2e_watchdog $$ "$E2E_SCRIPT_DEADLINE" </dev/null >/dev/null &
    # TERM ends the watchdog and its sleep; being first, it is stopped last.
    _e2e_register watchdog $! TERM
    e2e_log "artifacts in $E2E_ARTIFACTS, runtime in $E2E_RT"
}

# True once the (fractional) epoch time $1 has passed.
_e2e_past() {
    awk -v now="$EPOCHREALTIME" -v d="$1" 'BEGIN { exit !(now > d) }'
}

e2e_start_x() {
    local displayfd=$E2E_RT/display
    : >"$displayfd"
    # -displayfd: the server picks a free display itself and writes its number, so two runs
    # on one machine cannot race for the same :N.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$displayfd" >"$E2E_ARTIFACTS/xvfb.log" 2>&1 &
    _e2e_register Xvfb $! TERM
    local idx=$E2E_IDX
    local deadline
    deadline=$(e2e_calc "$EPOCHREALTIME + $E2E_X_DEADLINE")
    until [[ -s $displayfd ]]; do
        e2e_alive "$idx" || e2e_fail "Xvfb ended at start-up (see xvfb.log)"
        _e2e_past "$deadline" && e2e_fail "Xvfb chose no display within $E2E_X_DEADLINE s"
        sleep 0.05
    done
    DISPLAY=:$(tr -dc 0-9 <"$displayfd")
    export DISPLAY
    until timeout 5 xdpyinfo >/dev/null 2>&1; do
        e2e_alive "$idx" || e2e_fail "Xvfb ended at start-up (see xvfb.log)"
        _e2e_past "$deadline" && e2e_fail "X server $DISPLAY did not answer within $E2E_X_DEADLINE s"
        sleep 0.1
    done
    e2e_log "Xvfb (PID ${E2E_PIDS[idx]}) serves $DISPLAY"
}

e2e_start_pulse() {
    local conf=$E2E_RT/pulse/e2e.pa
    cat >"$conf" <<EOF
load-module module-null-sink sink_name=$E2E_SINK rate=$E2E_RATE channels=1 format=s16le norewinds=1
load-module module-native-protocol-unix auth-anonymous=1 socket=$E2E_RT/pulse/native
set-default-sink $E2E_SINK
EOF
    # norewinds=1: without it the monitor drops 0.6 to 1.9 s of sound whenever a stream starts
    # or stops.
    e2e_spawn pulseaudio TERM pulseaudio -n -F "$conf" --daemonize=no --exit-idle-time=-1 \
        --disallow-exit=yes --use-pid-file=no --realtime=no --high-priority=no \
        --log-target=stderr
    E2E_PULSE_IDX=$E2E_IDX
    local deadline
    deadline=$(e2e_calc "$EPOCHREALTIME + $E2E_PULSE_DEADLINE")
    until timeout 5 pactl info >/dev/null 2>&1; do
        e2e_alive "$E2E_PULSE_IDX" || e2e_fail "PulseAudio ended at start-up (see pulseaudio.err)"
        _e2e_past "$deadline" &&
            e2e_fail "PulseAudio did not answer pactl within $E2E_PULSE_DEADLINE s (see pulseaudio.err)"
        sleep 0.1
    done
    local sinks
    sinks=$(timeout 5 pactl list short sinks 2>&1 || true)
    [[ $sinks == *"$E2E_SINK"*"s16le 1ch ${E2E_RATE}Hz"* ]] ||
        e2e_fail "expected the null sink $E2E_SINK as s16le 1ch ${E2E_RATE}Hz; pactl lists: $sinks"
    e2e_log "PulseAudio (PID ${E2E_PIDS[E2E_PULSE_IDX]}) at $PULSE_SERVER"
}

# Kills the sound server as a crash would (SIGKILL) and waits until it is gone.
e2e_kill_pulse() {
    e2e_stop "$E2E_PULSE_IDX" KILL
    e2e_log "PulseAudio killed"
}

# ---- the program -----------------------------------------------------------------------------

e2e_start_program() {
    e2e_spawn program TERM "$E2E_PROGRAM"
    E2E_PROGRAM_IDX=$E2E_IDX
    e2e_log "started $E2E_PROGRAM (PID ${E2E_PIDS[E2E_PROGRAM_IDX]})"
}

e2e_program_alive() {
    e2e_alive "$E2E_PROGRAM_IDX"
}

# Fails unless the program still runs; $1 says when.
e2e_expect_running() {
    e2e_program_alive || {
        e2e_wait_exit "$E2E_PROGRAM_IDX" 1 || true
        e2e_fail "the program ended ($1), exit status ${E2E_EXIT_STATUS:-unknown}; it should still run"
    }
}

# Prints the first visible window whose name matches the regex $1, waiting up to $2 seconds;
# prints nothing if none appears.
e2e_find_window() {
    local regex=$1 deadline w
    deadline=$(e2e_calc "$EPOCHREALTIME + $2")
    while :; do
        w=$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | head -n 1 || true)
        if [[ -n $w ]]; then
            echo "$w"
            return 0
        fi
        _e2e_past "$deadline" && return 0
        sleep 0.1
    done
}

# True once no visible window matches the regex $1, waiting up to $2 seconds.
e2e_window_gone() {
    local deadline
    deadline=$(e2e_calc "$EPOCHREALTIME + $2")
    while xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
        _e2e_past "$deadline" && return 1
        sleep 0.1
    done
}

# Waits for the main window, checks its client size and sets E2E_MAIN_WIN.
e2e_find_main_window() {
    local deadline w=""
    deadline=$(e2e_calc "$EPOCHREALTIME + $E2E_WINDOW_DEADLINE")
    while [[ -z $w ]]; do
        if ! e2e_program_alive; then
            e2e_wait_exit "$E2E_PROGRAM_IDX" 1 || true
            e2e_fail "expected the main window; the program ended first with status ${E2E_EXIT_STATUS:-unknown}"
        fi
        _e2e_past "$deadline" &&
            e2e_fail "no visible window named 'Tavrilo Synth4...' within $E2E_WINDOW_DEADLINE s"
        w=$(xdotool search --onlyvisible --name '^Tavrilo Synth4' 2>/dev/null | head -n 1 || true)
        [[ -n $w ]] || sleep 0.1
    done
    local info width height
    info=$(xwininfo -id "$w")
    width=$(awk '/^  Width:/ { print $2 }' <<<"$info")
    height=$(awk '/^  Height:/ { print $2 }' <<<"$info")
    [[ $width == "$E2E_CLIENT_W" && $height == "$E2E_CLIENT_H" ]] ||
        e2e_fail "expected a main window client area of ${E2E_CLIENT_W}x${E2E_CLIENT_H} px, got ${width}x${height}"
    E2E_MAIN_WIN=$w
    # Let the first paint and the timers settle before any input.
    sleep 0.5
    e2e_log "main window $w (${width}x${height})"
}

# Closes a window the way a window manager's close box does (WM_DELETE_WINDOW).
e2e_close_window() {
    "$E2E_WMDELETE" "$1" >&2 || e2e_fail "could not ask window $1 to close"
}

# ---- input -----------------------------------------------------------------------------------
# Moves go to client coordinates of the main window; presses and releases are real XTest events
# at the pointer (xdotool's --window on click, key or mousedown fakes them with XSendEvent,
# which toolkits may ignore).

e2e_click() {
    xdotool mousemove --window "$E2E_MAIN_WIN" "$1" "$2" sleep 0.05 click 1
    sleep 0.2
}

# e2e_drag X0 Y0 X1 Y1 STEP: left-button drag in a straight line, one move every STEP pixels.
e2e_drag() {
    local x0=$1 y0=$2 x1=$3 y1=$4 step=$5
    local dx=$((x1 - x0)) dy=$((y1 - y0))
    local len=$((${dx#-} > ${dy#-} ? ${dx#-} : ${dy#-}))
    local n=$(((len + step - 1) / step))
    ((n > 0)) || n=1
    local -a cmd=(mousemove --window "$E2E_MAIN_WIN" "$x0" "$y0" sleep 0.05 mousedown 1 sleep 0.05)
    local k
    for ((k = 1; k <= n; k++)); do
        cmd+=(mousemove --window "$E2E_MAIN_WIN" $((x0 + dx * k / n)) $((y0 + dy * k / n)) sleep 0.02)
    done
    cmd+=(sleep 0.05 mouseup 1)
    xdotool "${cmd[@]}"
    sleep 0.2
}

# Real key strokes to window $1: focus it (no window manager: windowactivate would not work),
# give the focus time to arrive, then type.
e2e_keys() {
    local w=$1
    shift
    timeout 10 xdotool windowfocus --sync "$w" || e2e_fail "could not give window $w the focus"
    sleep 0.3
    xdotool key "$@"
}

# Selects the grey chalk and draws the test note across every step column.
e2e_draw_tone_stroke() {
    local sx=$((E2E_SWATCH_LEFT_TWIPS[0] / 15 + 16))
    e2e_click "$sx" "$E2E_SWATCH_Y"
    local y=$((E2E_BOARD_Y + E2E_TONE_Y_PX))
    e2e_drag $((E2E_BOARD_X + E2E_STROKE_X0_PX)) "$y" $((E2E_BOARD_X + E2E_STROKE_X1_PX)) "$y" \
        "$E2E_STROKE_STEP_PX"
    e2e_log "grey stroke drawn at board Y = $((E2E_TONE_Y_PX * 15)) twips"
}

e2e_press_play() {
    e2e_click "$E2E_PLAY_X" "$E2E_PLAY_Y"
}

e2e_press_stop() {
    e2e_click "$E2E_STOP_X" "$E2E_STOP_Y"
}

# ---- recording -------------------------------------------------------------------------------

# Starts recording the sink monitor into ARTIFACTS/NAME.wav and waits until samples arrive.
# E2E_REC_T0 is then the wall-clock time of the first sample, so that e2e_rec_time gives
# positions in the recording.
e2e_record_start() {
    E2E_REC_FILE=$E2E_ARTIFACTS/$1.wav
    e2e_spawn "parec-$1" INT parec -d "$E2E_SINK.monitor" --format=s16le --rate="$E2E_RATE" \
        --channels=1 --latency-msec=20 --file-format=wav "$E2E_REC_FILE"
    E2E_REC_IDX=$E2E_IDX
    local deadline info seconds=""
    deadline=$(e2e_calc "$EPOCHREALTIME + 10")
    while :; do
        e2e_alive "$E2E_REC_IDX" || e2e_fail "parec ended at start (see parec-$1.err)"
        _e2e_past "$deadline" && e2e_fail "parec wrote no samples within 10 s"
        # The header is unfinished while parec runs; wavcheck counts what the file holds.
        if info=$("$E2E_WAVCHECK" "$E2E_REC_FILE" info 2>/dev/null); then
            seconds=$(awk '{ print $(NF - 1) }' <<<"$info")
            if awk -v s="$seconds" 'BEGIN { exit !(s >= 0.1) }'; then break; fi
        fi
        sleep 0.05
    done
    E2E_REC_T0=$(e2e_calc "$EPOCHREALTIME - $seconds")
    e2e_log "recording $E2E_REC_FILE"
}

# Seconds since the first sample of the current recording.
e2e_rec_time() {
    e2e_calc "$EPOCHREALTIME - $E2E_REC_T0"
}

# Stops the recording with SIGINT, so parec finishes the WAV header.
e2e_record_stop() {
    e2e_stop "$E2E_REC_IDX"
    local info
    info=$("$E2E_WAVCHECK" "$E2E_REC_FILE" info) ||
        e2e_fail "the recording $E2E_REC_FILE is unreadable: $info"
    e2e_log "recorded $(basename "$E2E_REC_FILE"): $info"
}

# e2e_sound WHAT wavcheck-arguments...: asks wavcheck about the current recording; a check
# fails with WHAT and wavcheck's answer unless the answer is yes.
e2e_sound() {
    local what=$1 answer
    shift
    if answer=$("$E2E_WAVCHECK" "$E2E_REC_FILE" "$@"); then
        e2e_log "ok: $what: $answer"
    else
        e2e_check_failed "$what: wavcheck $(basename "$E2E_REC_FILE") $* answered: $answer"
    fi
}

# ---- screenshots -----------------------------------------------------------------------------

# Saves what is on screen in window $1 as ARTIFACTS/$2.png; sets E2E_SHOT to the file.
e2e_screenshot() {
    E2E_SHOT=$E2E_ARTIFACTS/$2.png
    timeout 30 import -window "$1" "$E2E_SHOT" 2>"$E2E_ARTIFACTS/import.err" ||
        e2e_fail "could not take a screenshot of window $1 (see import.err)"
    e2e_log "screenshot $(basename "$E2E_SHOT")"
}

# e2e_pixels FILE X Y [X Y ...]: the RRGGBB colour of each pixel, one per line.
e2e_pixels() {
    local file=$1 format=""
    shift
    while (($#)); do
        format+="%[hex:p{$1,$2}]\n"
        shift 2
    done
    convert "$file" -format "$format" info: | cut -c1-6
}

# e2e_expect_pixel FILE X Y RRGGBB WHAT: a check.
e2e_expect_pixel() {
    local got
    got=$(e2e_pixels "$1" "$2" "$3")
    [[ ${got^^} == "${4^^}" ]] ||
        e2e_check_failed "$5: expected #$4 at client pixel ($2, $3) of $(basename "$1"), found #$got"
}
