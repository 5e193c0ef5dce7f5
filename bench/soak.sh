#!/usr/bin/env bash
# Runs the soak, or the step-period measurement, of a release build on a private X server
# (Xvfb) and a private sound server (PulseAudio with a null sink), so that the audio callback
# is driven by a real sound server and the windows by a real X server. Every process started
# here is stopped again, by PID, however the script ends (tests/e2e/lib.sh).
#
# Usage: bench/soak.sh [--step-period | --link-phase | --midi-clock] [--build DIR] [ARG...]
#   (default)       soak [SECONDS [PERIOD]]: 60 s unless given, the device asked for PERIOD frames
#   --midi-clock    the soak on a JACK server of its own (dummy backend, 48 kHz, 256 frames: a
#                   5.3 ms period) with "Send MIDI clock" on, and a receiver (jack_midi_probe)
#                   measuring the clock from JACK's frame times: jitter p99 at most 1 ms
#   --step-period   step_period for ARG step ticks (200 unless given)
#   --link-phase    link_phase for ARG seconds each (60 unless given), with a Link peer at 120 bpm
#   --build DIR     the build tree holding bench/ and tests/e2e/ (default: build/release, as
#                   ./test.sh leaves it)
#
# The figures go to stdout; the servers' and the program's logs stay in
# DIR/bench/artifacts/soak (or .../step_period). The exit status is the program's: 0 every
# goal met, 1 a goal missed, 2 it could not run; lib.sh's failures exit with 1.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
program_name=soak
midi_clock=0
build=$here/../build/release
args=()
while (($#)); do
    case $1 in
        --step-period) program_name=step_period ;;
        --link-phase) program_name=link_phase ;;
        --midi-clock) midi_clock=1 ;;
        --build)
            (($# >= 2)) || { echo "--build needs a directory" >&2; exit 2; }
            build=$2
            shift
            ;;
        -h | --help)
            sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
            exit 0
            ;;
        -*) echo "unknown option $1 (see --help)" >&2; exit 2 ;;
        *) [[ $1 =~ ^[0-9]+$ ]] || { echo "expected a whole number, got '$1'" >&2; exit 2; }
           args+=("$1") ;;
    esac
    shift
done
arg=${args[0]:-}
build=$(cd "$build" 2>/dev/null && pwd) || { echo "no build tree at $build" >&2; exit 2; }

# How long the program may take to measure; start-up, shut-down and lib.sh's watchdog get more.
if [[ $program_name == soak ]]; then
    run_seconds=${arg:-60}
elif [[ $program_name == link_phase ]]; then
    run_seconds=$((2 * ${arg:-60} + 30))
else
    run_seconds=$(((${arg:-200} * 50 * 2 + 999) / 1000 + 10))
fi
# shellcheck disable=SC2034  # read by lib.sh
E2E_SCRIPT_DEADLINE=$((run_seconds + 120))

# shellcheck source-path=SCRIPTDIR source=../tests/e2e/lib.sh
source "$here/../tests/e2e/lib.sh"
e2e_init "$build/bench/$program_name" "$build/tests/e2e/tone" \
    "$build/bench/artifacts/$program_name"

e2e_start_x
e2e_start_pulse
# lib.sh leaves the choice of driver to SDL; the measurements would fall back to the dummy
# device, so name the sound server.
export SDL_AUDIODRIVER=pulseaudio
if [[ $program_name == link_phase ]]; then
    mkfifo "$E2E_RT/peer.in" && exec 7<>"$E2E_RT/peer.in"
    e2e_spawn link_peer TERM "$build/tests/e2e/link_peer" "$E2E_RT/peer.in"
    echo "tempo 120" >&7
fi

((midi_clock)) && e2e_start_jack

e2e_spawn "$program_name" TERM "$E2E_PROGRAM" "${args[@]}"
idx=$E2E_IDX
e2e_log "started $program_name ${args[*]} (PID ${E2E_PIDS[idx]}); up to $run_seconds s"
# shellcheck disable=SC2317  # called through e2e_until
out_port() { [[ -n $(jack_lsp "Tavrilo Synth:out") ]]; }
if ((midi_clock)); then
    # Listening from before play until after the soak's end.
    e2e_until 20 out_port || e2e_fail "no JACK port \"Tavrilo Synth:out\" in 20 s"
    e2e_spawn receiver TERM "$build/tests/e2e/jack_midi_probe" receive "Tavrilo Synth:out" \
        $((run_seconds + 15))
    receiver=$E2E_IDX
fi
e2e_wait_exit "$idx" $((run_seconds + 60)) || e2e_fail "$program_name did not finish in time"
status=$E2E_EXIT_STATUS
cat "$E2E_ARTIFACTS/$program_name.out"
if ((midi_clock)); then
    e2e_wait_exit "$receiver" 30 || e2e_fail "the receiver did not finish"
    said=$(cat "$E2E_ARTIFACTS/receiver.out")
    echo "MIDI clock out, received through JACK (5.3 ms period): $said"
    p99=$(sed -n 's/.*jitter_p99_ms=\([0-9.]*\).*/\1/p' <<<"$said")
    if ! awk -v p="${p99:-999}" 'BEGIN { exit !(p <= 1) }'; then
        echo "  goal missed: jitter p99 at most 1 ms"
        ((status)) || status=1
    fi
fi
if ((status != 0)); then
    e2e_log "$program_name ended with status $status; its stderr:"
    tail -n 20 "$E2E_ARTIFACTS/$program_name.err" >&2
fi
exit "$status"
