#!/usr/bin/env bash
# What a player feels, on a private X server (Xvfb) and a private sound server (PulseAudio with a
# null sink), as bench/soak.sh runs (tests/e2e/lib.sh starts and stops everything by PID):
#
#  1. Press to sound: press_to_sound plays a 32-step grey line at tempo 200 while this script
#     presses note keys (xdotool, real X events) at random moments, 50 to 400 ms apart. The
#     program's share, from the key event's arrival to the start of the first audio callback that
#     mixes a table computed after it, comes from the program; the stream's latency (buffer and
#     sink) from the sound server; the total is their sum. Once per device period given.
#  2. Cost: the process's CPU time over SECONDS in three states: stopped and silent with the
#     meter hidden; playing a 32-step grey line at tempo 200; the same with the meter shown.
#     For the program, and for an older build given by --old, in the same run.
#
# Usage: bench/feel.sh [--build DIR] [--old PROGRAM] [--presses N] [--seconds S] [--periods "P..."]
#   --build DIR   the build tree (default build/release, as ./test.sh leaves it)
#   --old PROGRAM an older tavrilo-synth to measure beside this one
#   --presses N   measured presses per device period (200)
#   --seconds S   seconds per cost state (20)
#   --periods P   device periods in frames to measure press to sound at ("256 128")
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build/release old="" presses=200 seconds=20 periods="256 128"
while (($#)); do
    case $1 in
        --build) build=$2 && shift ;;
        --old) old=$(realpath "$2") && shift ;;
        --presses) presses=$2 && shift ;;
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
E2E_SCRIPT_DEADLINE=$((120 + $(wc -w <<<"$periods") * (presses + 60) + 8 * seconds))
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
    e2e_until 30 grep -q playing "$E2E_ARTIFACTS/press-$period.out" ||
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
printf '  %-40s %-20s %-20s %s\n' build "stopped, silent" playing "playing, meter shown"
for binary in "$program" ${old:+"$old"}; do
    e2e_spawn cost TERM "$binary"
    idx=$E2E_IDX pid=${E2E_PIDS[$E2E_IDX]}
    e2e_window '^Tavrilo Synth4' 30 || e2e_fail "no main window from $binary"
    E2E_MAIN=$E2E_WIN
    sleep 3 # past start-up, into the quiet
    rest=$(cpu "$pid")
    e2e_click 64 456   # the grey swatch
    e2e_stroke 140 2 502
    e2e_click 248 68   # play
    sleep 1
    playing=$(cpu "$pid")
    e2e_click 420 24   # "vu"
    sleep 1
    meter=$(cpu "$pid")
    printf '  %-40s %-20s %-20s %s\n' "$binary" "$rest" "$playing" "$meter"
    e2e_stop "$idx"
done
