# shellcheck shell=bash disable=SC2034  # the scenarios read the E2E_ state
# `e2e_init PROGRAM TONE DIR`, then private X and sound servers (Xvfb without a window
# manager, PulseAudio with a null sink in the program's format), real input, recordings and
# screenshots in DIR. Every process started is stopped by PID however the script ends.
set -euo pipefail

readonly E2E_SINK=tavrilo_e2e E2E_RATE=22050
E2E_SCRIPT_DEADLINE=${E2E_SCRIPT_DEADLINE:-90}
E2E_ARTIFACTS="" E2E_RT="" E2E_MAIN="" E2E_WIN="" E2E_FIRST=-1 E2E_FAILURES=() E2E_PULSE_FIRST=()
# Processes started: name, PID, ending signal, collected.
E2E_NAMES=() E2E_PIDS=() E2E_SIGNALS=() E2E_DONE=()

e2e_log() { printf '[e2e %s] %s\n' "$(date +%T.%2N)" "$*" >&2; }
e2e_fail() { printf 'FAIL: %s\n' "$*" >&2 && exit 1; }
# A failed check: the scenario goes on, and fails at the end.
e2e_check() { E2E_FAILURES+=("$*") && printf 'CHECK FAILED: %s\n' "$*" >&2; }

# e2e_until SECONDS COMMAND...: true once COMMAND succeeds, tried every 0.1 s for SECONDS.
e2e_until() {
    local end=$((${EPOCHREALTIME/./} + $1 * 1000000))
    until "${@:2}"; do ((${EPOCHREALTIME/./} < end)) || return 1; sleep 0.1; done
}

# True while process $1 of the registry runs; a zombie has ended. (A PID comes round again only
# after the kernel has handed out all the others, far beyond one run.)
e2e_alive() {
    local stat
    ((E2E_DONE[$1] == 0)) && { read -r stat <"/proc/${E2E_PIDS[$1]}/stat"; } 2>/dev/null &&
        [[ ${stat##*) } != [ZX]* ]]
}
_e2e_ended() { ! e2e_alive "$1"; }

# e2e_spawn NAME SIGNAL COMMAND...: output in DIR/NAME.out and .err, registry index in E2E_IDX,
# SIGNAL what ends it properly. e2e_stop INDEX [SIGNAL] ends it so, and with SIGKILL 5 s later.
e2e_spawn() {
    "${@:3}" >"$E2E_ARTIFACTS/$1.out" 2>"$E2E_ARTIFACTS/$1.err" &
    E2E_NAMES+=("$1") E2E_PIDS+=($!) E2E_SIGNALS+=("$2") E2E_DONE+=(0)
    E2E_IDX=$((${#E2E_DONE[@]} - 1))
}

# e2e_wait_exit INDEX SECONDS: waits for its end; sets E2E_EXIT_STATUS.
e2e_wait_exit() {
    e2e_until "$2" _e2e_ended "$1" || return 1
    E2E_EXIT_STATUS=0
    wait "${E2E_PIDS[$1]}" 2>/dev/null || E2E_EXIT_STATUS=$?
    E2E_DONE[$1]=1
}

e2e_stop() {
    if e2e_alive "$1"; then
        kill "-${2:-${E2E_SIGNALS[$1]}}" "${E2E_PIDS[$1]}" 2>/dev/null || true
        e2e_wait_exit "$1" 5 && return 0
        e2e_log "${E2E_NAMES[$1]} (PID ${E2E_PIDS[$1]}) did not end; killing it"
        kill -KILL "${E2E_PIDS[$1]}" 2>/dev/null || true
    fi
    ((E2E_DONE[$1])) || e2e_wait_exit "$1" 5 || e2e_log "${E2E_NAMES[$1]} would not end"
}

_e2e_cleanup() {
    local status=$? i
    trap - EXIT INT TERM HUP
    set +e
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do e2e_stop "$i"; done
    rm -rf -- "$E2E_RT"
    ((status || !${#E2E_FAILURES[@]})) || status=1
    e2e_log "status $status, ${#E2E_FAILURES[@]} failed checks; artifacts in $E2E_ARTIFACTS"
    exit "$status"
}

# SIGTERM, and so the cleanup, after E2E_SCRIPT_DEADLINE seconds.
_e2e_watchdog() {
    sleep "$E2E_SCRIPT_DEADLINE" & trap 'kill $!; exit 0' TERM
    wait $! && kill -TERM "$1"
}

e2e_init() {
    (($# == 3)) || e2e_fail "usage: $0 PROGRAM TONE ARTIFACT_DIR"
    E2E_PROGRAM=$1 E2E_TONE=$2
    [[ ! -e $3 || -e $3/.tavrilo-e2e || -z $(ls -A "$3") ]] || e2e_fail "$3 is not ours to clear"
    rm -rf -- "$3" && mkdir -p -- "$3" && : >"$3/.tavrilo-e2e"
    E2E_ARTIFACTS=$(cd "$3" && pwd) E2E_RT=$(mktemp -d /tmp/tavrilo-e2e.XXXXXX)
    trap _e2e_cleanup EXIT
    trap 'e2e_fail "interrupted"' INT HUP
    trap 'e2e_fail "stopped by SIGTERM (after $E2E_SCRIPT_DEADLINE s, or by the test driver)"' TERM
    mkdir -m 700 "$E2E_RT/xdg" "$E2E_RT/pulse" "$E2E_RT/home" && : >"$E2E_RT/alsa.conf"
    # Only the private servers from here on (ALSA has no devices), writing only under E2E_RT.
    unset SDL_AUDIODRIVER WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
    export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb HOME=$E2E_RT/home XDG_RUNTIME_DIR=$E2E_RT/xdg \
        PULSE_SERVER=unix:$E2E_RT/pulse/native PULSE_RUNTIME_PATH=$E2E_RT/pulse \
        PULSE_STATE_PATH=$E2E_RT/pulse/state PULSE_COOKIE=$E2E_RT/pulse/cookie \
        ALSA_CONFIG_PATH=$E2E_RT/alsa.conf
    e2e_spawn watchdog TERM _e2e_watchdog $$ </dev/null
}

e2e_start_x() { # -displayfd: the server picks a free display and writes its number
    e2e_spawn Xvfb TERM Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$E2E_RT/display"
    e2e_until 20 test -s "$E2E_RT/display" || e2e_fail "Xvfb chose no display in 20 s (Xvfb.err)"
    DISPLAY=:$(tr -dc 0-9 <"$E2E_RT/display") && export DISPLAY
    e2e_until 20 xdpyinfo >/dev/null 2>&1 || e2e_fail "X server $DISPLAY did not answer in 20 s"
}

# The lines of E2E_PULSE_FIRST (another sink, say) go into the server's script first.
e2e_start_pulse() { # norewinds=1, or the monitor loses seconds as a stream starts or stops
    local sink="sink_name=$E2E_SINK rate=$E2E_RATE channels=1 format=s16le norewinds=1"
    printf '%s\n' "${E2E_PULSE_FIRST[@]}" "load-module module-null-sink $sink" \
        "set-default-sink $E2E_SINK" \
        "load-module module-native-protocol-unix auth-anonymous=1 socket=$E2E_RT/pulse/native" \
        >"$E2E_RT/pulse/e2e.pa"
    e2e_spawn pulseaudio TERM pulseaudio -n -F "$E2E_RT/pulse/e2e.pa" --daemonize=no \
        --exit-idle-time=-1 --disallow-exit=yes --use-pid-file=no --realtime=no \
        --high-priority=no --log-target=stderr
    E2E_PULSE_IDX=$E2E_IDX
    e2e_until 20 pactl info >/dev/null 2>&1 || e2e_fail "no PulseAudio in 20 s (pulseaudio.err)"
}


# e2e_window REGEX SECONDS: E2E_WIN is the first shown window whose name matches, if one comes.
_e2e_find() { E2E_WIN=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1); }
e2e_window() { e2e_until "$2" _e2e_find "$1" && [[ -n $E2E_WIN ]]; }
e2e_no_window() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# Both servers and the program, up to its main window, E2E_MAIN, painted: its grey swatch shows.
_e2e_painted() { e2e_shot "$E2E_MAIN" painted && [[ $(e2e_pixels 64 456) == 808080* ]]; }
e2e_start_all() {
    e2e_start_x && e2e_start_pulse && e2e_spawn program TERM "$E2E_PROGRAM"
    E2E_PROG_IDX=$E2E_IDX
    e2e_window '^Tavrilo Synth4' 30 || e2e_fail "expected the main window in 30 s; none appeared"
    E2E_MAIN=$E2E_WIN
    e2e_until 20 _e2e_painted || e2e_fail "the main window was not painted in 20 s"
}

# e2e_click X Y [WINDOW]: a real left click at client pixel (X, Y) of WINDOW (the main one).
e2e_click() { xdotool mousemove --window "${3:-$E2E_MAIN}" "$1" "$2" sleep .05 click 1 sleep .15; }

# e2e_stroke Y X0 X1: a left-button stroke on the board along row Y from X0 to X1 (board pixels,
# inside its border at client (18, 90)). A move every 8 px: each 16-px step column gets one.
e2e_stroke() {
    local x cmd=(mousemove --window "$E2E_MAIN" $((16 + $2)) $((90 + $1)) sleep 0.05 mousedown 1)
    for ((x = $2; x < $3 + 8; x += 8)); do
        cmd+=(sleep 0.01 mousemove --window "$E2E_MAIN" $((18 + (x < $3 ? x : $3))) $((90 + $1)))
    done
    xdotool "${cmd[@]}" sleep 0.05 mouseup 1 sleep 0.15
}

# e2e_keys WINDOW [KEY...]: focuses WINDOW (as no window manager does), then real key strokes.
e2e_keys() { timeout 10 xdotool windowfocus --sync "$1" sleep 0.3 &&
    { (($# < 2)) || xdotool key "${@:2}"; } || e2e_fail "could not focus window $1, or type"; }

# e2e_record NAME: records the sink, raw, into DIR/NAME.out (stop: e2e_stop "$E2E_REC_IDX");
# e2e_now gives milliseconds since its start.
_e2e_ms() { "$E2E_TONE" "$E2E_REC" $E2E_RATE 2>/dev/null; } # milliseconds recorded
_e2e_recording() {
    local ms && ms=$(_e2e_ms) && ((ms >= 100)) && E2E_REC_T0=$((${EPOCHREALTIME/./} / 1000 - ms))
}
e2e_record() {
    E2E_REC=$E2E_ARTIFACTS/$1.out
    e2e_spawn "$1" INT parec -d "$E2E_SINK.monitor" --format=s16le --rate=$E2E_RATE \
        --channels=1 --latency-msec=20 --raw
    E2E_REC_IDX=$E2E_IDX
    e2e_until 10 _e2e_recording || e2e_fail "parec recorded nothing in 10 s ($1.err)"
}
e2e_now() { echo $((${EPOCHREALTIME/./} / 1000 - E2E_REC_T0)); }
# e2e_sleep_until MS: until the recording holds MS ms, however far it lags behind the clock.
_e2e_holds() { local ms && ms=$(_e2e_ms) && ((ms >= $1)); }
e2e_sleep_until() { e2e_until 30 _e2e_holds "$1" || e2e_fail "the recording never reached $1 ms"; }

# e2e_sound WHAT FROM TO [HZ MIN MAX]: from FROM to TO ms a sine at HZ carries most of the sound
# for MIN to MAX ms (E2E_FIRST: from when, or -1); without HZ, silence (RMS under 100 of 32768).
e2e_sound() {
    local got rms ms
    [[ -z ${E2E_REC_IDX-} ]] || ! e2e_alive "$E2E_REC_IDX" || e2e_sleep_until "$3"
    got=$("$E2E_TONE" "$E2E_REC" $E2E_RATE "${@:2:3}") || { e2e_check "$1: $got" && return 0; }
    read -r rms ms E2E_FIRST <<<"$got"
    (($# > 3)) || ((rms < 100)) || e2e_check "$1: expected silence from $2 to $3 ms, found RMS $rms"
    (($# == 3)) || ((ms >= $5 && ms <= $6)) ||
        e2e_check "$1: expected $4 Hz for $5 to $6 ms of $2..$3 ms, found $ms ms (RMS $rms)"
}

# e2e_shot WINDOW NAME: the screen at WINDOW into E2E_SHOT = DIR/NAME.png. Then e2e_pixels X Y
# [X Y]...: each pixel's RRGGBB; e2e_count WxH+X+Y RRGGBB: the area's pixels of that colour.
e2e_shot() { E2E_SHOT=$E2E_ARTIFACTS/$2.png && timeout 30 import -window "$1" "$E2E_SHOT" ||
    e2e_fail "no screenshot of window $1"; }
e2e_pixels() { convert "$E2E_SHOT" -format "$(printf '%%[hex:p{%d,%d}] ' "$@")" info:; }

e2e_count() { convert "$E2E_SHOT" -crop "$1" +repage -format %c histogram:info:- |
    awk -v c=" #$2" 'index(toupper($0), c) { n += $1 } END { print n + 0 }'; }

# e2e_colours [WHAT X Y RRGGBB]...: each pixel is its colour.
e2e_colours() {
    local -a a=("$@") at=() got
    local i
    for ((i = 0; i < $#; i += 4)); do at+=("${a[i + 1]}" "${a[i + 2]}"); done
    read -r -a got <<<"$(e2e_pixels "${at[@]}")"
    for ((i = 0; i < $#; i += 4)); do
        [[ ${got[i / 4]:0:6} == "${a[i + 3]}" ]] || e2e_check "${a[i]}: expected #${a[i + 3]}" \
            "at (${a[i + 1]}, ${a[i + 2]}), found #${got[i / 4]:0:6}"
    done
}

# e2e_heard HZ FROM: true once a sine at HZ has carried a 50-ms block of the recording since
# FROM ms; E2E_FIRST then says from when.
e2e_heard() {
    local to rms ms
    to=$("$E2E_TONE" "$E2E_REC" $E2E_RATE) && ((to >= $2 + 50)) || return 1
    read -r rms ms E2E_FIRST <<<"$("$E2E_TONE" "$E2E_REC" $E2E_RATE "$2" "$to" "$1")"
    ((E2E_FIRST >= 0))
}

# e2e_start_jack: a JACK server of our own (the dummy backend, so no sound hardware), named for
# this run so that no other JACK server on the machine is met; every client started from here
# finds it. Real-time where the system allows it (jackd says so and carries on where not): a busy
# machine starves a server that is not, and the dummy backend then drops frames. 64 ports keep
# its shared memory at 40 MB (100 MB by default, more than some containers' /dev/shm). Up once
# jack_lsp answers.
e2e_start_jack() {
    export JACK_DEFAULT_SERVER=tavrilo-e2e-$$
    e2e_spawn jackd TERM jackd --realtime --port-max 64 -d dummy -r 48000 -p 256
    e2e_until 20 jack_lsp >/dev/null 2>&1 || e2e_fail "no JACK server in 20 s (jackd.err)"
}

# e2e_two_halves: pitch 14 (857.5 Hz) on steps 0..15, pitch 18 (1102.5 Hz) on 16..31, Decay 1, so
# a note sounds through each half. e2e_halves SECONDS: from the first pitch 14 in the recording,
# E2E_HALVES holds how long pitch 14, then 18, sounded (16 steps each), each waited for SECONDS.
e2e_two_halves() {
    e2e_click 64 456 && e2e_stroke 140 2 250 && e2e_stroke 87 258 502
    e2e_click 440 456 && e2e_stroke 20 2 502
}
e2e_halves() {
    e2e_until "$1" e2e_heard 857.5 0 || e2e_fail "no pitch 14 in $1 s"
    local a=$E2E_FIRST b
    e2e_until "$1" e2e_heard 1102.5 "$a" || e2e_fail "no pitch 18 within $1 s of pitch 14"
    b=$E2E_FIRST
    e2e_until "$1" e2e_heard 857.5 "$b" || e2e_fail "no pitch 14 again within $1 s of pitch 18"
    E2E_HALVES=("$((b - a))" "$((E2E_FIRST - b))")
}

# e2e_clock_menu LETTER: the Clock menu, by the right button on play, then its item LETTER. The
# menu opens at the pointer, over the black board.
_e2e_menu() { e2e_shot root menu && [[ $(e2e_pixels 330 100) != 000000* ]]; }
e2e_clock_menu() {
    e2e_keys "$E2E_MAIN"
    xdotool mousemove --window "$E2E_MAIN" 248 68 click 3
    e2e_until 5 _e2e_menu || e2e_fail "right button on play: expected the Clock menu"
    sleep 0.3 && xdotool key "$1"
    e2e_until 5 eval '! _e2e_menu' || e2e_fail "the Clock menu stayed after \"$1\""
}

# e2e_speed_keys: Help's ">" shows the Speed slider, and a click on its track gives it the keys.
e2e_speed_keys() {
    e2e_click 464 24
    e2e_window '^Tavrilo Synth HELP$' 5 || e2e_fail "expected the help window after \"Help\""
    e2e_click 108 288 "$E2E_WIN" && e2e_click 348 20 "$E2E_WIN" && e2e_click 620 64
}
