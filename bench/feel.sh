#!/usr/bin/env bash
# What a player feels, on a private X server (Xvfb) and a private sound server (PulseAudio with a
# null sink), as bench/soak.sh runs (tests/e2e/lib.sh starts and stops everything by PID):
#
#  1. Press to sound: press_to_sound plays a 32-step grey line at tempo 200 while this script
#     presses note keys (xdotool, real X events) at random moments, 50 to 400 ms apart. The
#     program's share, from the key event's arrival to the start of the first audio callback that
#     mixes a table computed after it, comes from the program; the stream's latency (buffer and
#     sink) from the sound server; the total is their sum. Then output_latency measures the
#     sound module's output latency against a recording. Once per device period given.
#  2. First note: with the main window active, the note key Y pressed after 4 s of quiet and
#     again 1 s after that note died, PAIRS times; from a recording of the sink, each press's
#     delay to the note's first sample. The difference of the two in each pair, median and 99th
#     percentile, is what a quiet spell adds to the first note.
#  3. Cost: the process's CPU time over SECONDS in four states: stopped and silent with no window
#     active (the background), the same with the main window active (the foreground), playing a
#     32-step grey line at tempo 200, and the same with the meter shown.
#
# Sections 2 and 3 run for the program, and for an older build given by --old, in the same run.
#
# Usage: bench/feel.sh [--build DIR] [--old PROGRAM] [--presses N] [--pairs N] [--seconds S]
#                      [--periods "P..."]
#   --build DIR   the build tree (default build/release, as ./test.sh leaves it)
#   --old PROGRAM an older tavrilo-synth to measure beside this one
#   --presses N   measured presses per device period (200)
#   --pairs N     first-note pairs per build (20)
#   --seconds S   seconds per cost state (20)
#   --periods P   device periods in frames to measure press to sound at ("256 128")
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build/release old="" presses=200 pairs=20 seconds=20 periods="256 128"
while (($#)); do
    case $1 in
        --build) build=$2 && shift ;;
        --old) old=$(realpath "$2") && shift ;;
        --presses) presses=$2 && shift ;;
        --pairs) pairs=$2 && shift ;;
        --seconds) seconds=$2 && shift ;;
        --periods) periods=$2 && shift ;;
        -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' && exit 0 ;;
        *) echo "unknown argument $1 (see --help)" >&2 && exit 2 ;;
    esac
    shift
done
build=$(cd "$build" && pwd)
program=$build/src/app/tavrilo-synth
# shellcheck disable=SC2034  # read by lib.sh
E2E_SCRIPT_DEADLINE=$((120 + $(wc -w <<<"$periods") * (presses + 120) +
    2 * (10 * pairs + 4 * seconds + 30)))
# shellcheck source-path=SCRIPTDIR source=../tests/e2e/lib.sh
source "$here/../tests/e2e/lib.sh"
e2e_init "$program" "$build/tests/e2e/tone" "$build/bench/artifacts/feel"
e2e_start_x
e2e_start_pulse
export SDL_AUDIODRIVER=pulseaudio
keys=(z x c v b n m comma a s d f g h j k q w e r t y u i)

# The latency PulseAudio reports for the program's stream, buffer plus sink, in ms.
stream_latency() {
    pactl list sink-inputs | awk '/Buffer Latency|Sink Latency/ { us += $3 } END { printf "%.1f", us / 1000 }'
}

printf '\nPress to sound (%s note key presses per device period)\n' "$presses"
printf '  %-8s %-24s %-24s %s\n' period "program's share p50/p99" "total p50/p99" "stream latency"
for period in $periods; do
    e2e_spawn "press-$period" TERM "$build/bench/press_to_sound" "$presses" "$period"
    idx=$E2E_IDX
    e2e_until 30 grep -qs playing "$E2E_ARTIFACTS/press-$period.out" ||
        e2e_fail "press_to_sound did not start playing (press-$period.err)"
    e2e_window '^Tavrilo Synth4' 10 || e2e_fail "no main window from press_to_sound"
    e2e_keys "$E2E_WIN"
    latency=$(stream_latency)
    while e2e_alive "$idx"; do
        xdotool key "${keys[RANDOM % ${#keys[@]}]}"
        sleep "0.$((50 + RANDOM % 350))"
    done
    e2e_wait_exit "$idx" 5 || true
    ((E2E_EXIT_STATUS <= 1)) || e2e_fail "press_to_sound failed: $(tail -n 3 "$E2E_ARTIFACTS/press-$period.err")"
    read -r p50 p99 < <(awk '/share, median/ { m = $3 } /share, 99th/ { p = $4 } END { print m, p }' \
        "$E2E_ARTIFACTS/press-$period.out")
    awk -v per="$period" -v m="$p50" -v p="$p99" -v l="$latency" 'BEGIN {
        printf "  %-8s %-24s %-24s %.1f ms\n", per, sprintf("%.2f / %.2f ms", m, p),
            sprintf("%.2f / %.2f ms", m + l, p + l), l }'
done
printf '\nOutput latency against a recording of the sink\n'
for period in $periods; do
    e2e_spawn "latency-$period" TERM "$build/bench/output_latency" Monitor 60 "$period"
    if ! e2e_wait_exit "$E2E_IDX" 120 || ((E2E_EXIT_STATUS != 0)); then
        e2e_fail "output_latency failed: $(tail -n 3 "$E2E_ARTIFACTS/latency-$period.err")"
    fi
    sed 's/^/  /' "$E2E_ARTIFACTS/latency-$period.out"
done

# In the recording, from $1 ms on: the first sample louder than 1/16 of full scale, or where
# 100 ms of silence (under 100) begin; in ms, or nothing if the recording does not hold it yet.
_scan() { # awk ends od early
    { od -An -v -t d2 -w2 -j $((2 * ($1 * E2E_RATE / 1000))) "$E2E_REC" || true; } |
        awk -v from="$1" -v rate=$E2E_RATE -v loud="$2" '{ v = $1 < 0 ? -$1 : $1 }
        loud && v > 2048 { printf "%.3f\n", from + (NR - 1) * 1000 / rate; exit }
        !loud { quiet = v < 100 ? quiet + 1 : 0 }
        quiet == rate / 10 { printf "%.0f\n", from + (NR - quiet) * 1000 / rate; exit }'
}
_found() { found=$(_scan "$@") && [[ -n $found ]]; }

# press WAIT: the note key Y pressed WAIT ms after the last note died; its delay to the note's
# first sample into $delay, and where the note died into $last.
press() {
    local at
    e2e_sleep_until $((last + $1))
    at=$(awk -v t="$EPOCHREALTIME" -v t0="$E2E_REC_T0" 'BEGIN { printf "%.3f", 1000 * t - t0 }')
    xdotool key y
    e2e_until 5 _found "${at%.*}" 1 || return 1
    delay=$(awk -v a="$found" -v b="$at" 'BEGIN { print a - b }')
    e2e_until 10 _found "${found%.*}" 0 || return 1
    last=$found
}

# The first-note figures of program $1 (artifacts named $2) into $first: the pairs'
# differences, median and 99th percentile, and the median delays after quiet and warm.
first_note() {
    local idx i quiet diffs="" quiets="" warms="" skipped=0 last=0
    e2e_spawn "first-note-$2" TERM "$1"
    idx=$E2E_IDX
    e2e_window '^Tavrilo Synth4' 30 || e2e_fail "no main window from $1"
    e2e_keys "$E2E_WIN"
    e2e_record "first-note-$2-recording"
    for ((i = 0; i < pairs; i++)); do
        # Dated again: on a busy machine parec now and then drops a second of sound.
        _e2e_recording || true
        if press 4000 && quiet=$delay && press 1000; then
            diffs+="$(awk -v a="$quiet" -v b="$delay" 'BEGIN { print a - b }')"$'\n'
            quiets+=$quiet$'\n' warms+=$delay$'\n'
        else
            skipped=$((skipped + 1)) last=$(e2e_now)
            e2e_log "first note, $2: no note heard, or it did not die; pair $i skipped"
        fi
    done
    e2e_stop "$E2E_REC_IDX"
    e2e_stop "$idx"
    first=$(printf '%s / %s ms          %s / %s ms' "$(pct 50 <<<"$diffs")" \
        "$(pct 99 <<<"$diffs")" "$(pct 50 <<<"$quiets")" "$(pct 50 <<<"$warms")")
    ((skipped == 0)) || first+=" ($skipped pairs skipped)"
}
# pct Q: the Qth percentile, by nearest rank, of the numbers on stdin.
pct() {
    sort -g |
        awk -v q="$1" 'NF { v[++n] = $1 } END { r = int(q * n / 100 + 0.999); printf "%.2f", v[r] }'
}
printf '\nFirst note: a key after 4 s of quiet against one 1 s after a note died (%s pairs)\n' \
    "$pairs"
printf '  %-40s %-24s %s\n' build "difference p50/p99" "delay after quiet / warm, p50"
first_note "$program" new && printf '  %-40s %s\n' "$program" "$first"
[[ -z $old ]] || { first_note "$old" old && printf '  %-40s %s\n' "$old" "$first"; }

# CPU time of process $1 over $seconds, as a percentage of one core.
cpu() {
    local a b t0 t1
    a=$(awk '{ print $14 + $15 }' "/proc/$1/stat") t0=$EPOCHREALTIME
    sleep "$seconds"
    b=$(awk '{ print $14 + $15 }' "/proc/$1/stat") t1=$EPOCHREALTIME
    awk -v a="$a" -v b="$b" -v t0="$t0" -v t1="$t1" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { printf "%.2f %%", 100 * (b - a) / hz / (t1 - t0) }'
}

printf '\nCost: CPU time over %s s, percent of one core\n' "$seconds"
printf '  %-40s %-14s %-14s %-14s %s\n' build "background" "foreground" playing "meter shown"
printf '  %-40s %-14s %-14s\n' "" "stopped, silent" "stopped, silent"
for binary in "$program" ${old:+"$old"}; do
    e2e_spawn cost TERM "$binary"
    idx=$E2E_IDX pid=${E2E_PIDS[$E2E_IDX]}
    e2e_window '^Tavrilo Synth4' 30 || e2e_fail "no main window from $binary"
    E2E_MAIN=$E2E_WIN
    sleep 3 # past start-up, into the quiet; no window is active without a window manager
    background=$(cpu "$pid")
    e2e_keys "$E2E_MAIN"
    sleep 1
    foreground=$(cpu "$pid")
    e2e_click 64 456   # the grey swatch
    e2e_stroke 140 2 502
    e2e_click 248 68   # play
    sleep 1
    playing=$(cpu "$pid")
    e2e_click 420 24   # "vu"
    sleep 1
    meter=$(cpu "$pid")
    printf '  %-40s %-14s %-14s %-14s %s\n' "$binary" "$background" "$foreground" "$playing" \
        "$meter"
    e2e_stop "$idx"
done
