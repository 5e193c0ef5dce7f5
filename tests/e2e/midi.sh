#!/usr/bin/env bash
# MIDI on a JACK server of our own: a test client's note 60 heard at pitch 13; the sequence
# following a test client's MIDI clock at 120 bpm from its Start to its Stop; "Send MIDI clock"
# at 125 ms a step, measured by a test client from the frame times JACK gives it.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_jack
e2e_start_all
probe=$(dirname "$E2E_TONE")/jack_midi_probe port="Tavrilo Synth"
[[ $(jack_lsp "$port") == "$port:in"$'\n'"$port:out" ]] ||
    e2e_fail "expected the JACK ports $port:in and :out, found: $(jack_lsp | tr '\n' ' ')"

# Pitch 14 (857.5 Hz) on steps 0..15, pitch 18 (1102.5 Hz) on steps 16..31, Decay 1: a note
# sounds through each half, so pitch 14 comes again after 32 step periods.
e2e_click 64 456 && e2e_stroke 140 2 250 && e2e_stroke 87 258 502
e2e_click 440 456 && e2e_stroke 20 2 502
e2e_record midi

e2e_spawn notes TERM jack_midiseq notes 48000 0 60 24000 && notes=$E2E_IDX
from=$(e2e_now)
e2e_until 5 jack_connect notes:out "$port:in" || e2e_fail "could not connect notes:out to $port:in"
e2e_until 5 e2e_heard 796.25 "$from" || e2e_check "note 60: expected pitch 13 (796.25 Hz) in 5 s"
e2e_stop "$notes"

# The Clock menu, with the right button on play, then its item of letter $1. It opens at the
# pointer, over the black board.
menu_shown() { e2e_shot root menu && [[ $(e2e_pixels 330 100) != 000000* ]]; }
menu_gone() { ! menu_shown; }
clock_menu() {
    e2e_keys "$E2E_MAIN"
    xdotool mousemove --window "$E2E_MAIN" 248 68 click 3
    e2e_until 5 menu_shown || e2e_fail "right button on play: expected the Clock menu"
    sleep 0.3 && xdotool key "$1"
    e2e_until 5 menu_gone || e2e_fail "the Clock menu stayed after \"$1\""
}

# A master at 120 bpm: Start, 5 s of clock, Stop, and 3 s more of clock, as masters go on.
clock_menu m
from=$(e2e_now)
e2e_spawn master TERM "$probe" send "$port:in" 120 5 && master=$E2E_IDX
e2e_until 5 e2e_heard 857.5 "$from" || e2e_fail "MIDI clock: no sound within 5 s of the master"
t14=$E2E_FIRST
e2e_until 4 e2e_heard 1102.5 "$t14" || e2e_fail "MIDI clock: no pitch 18 within 4 s of pitch 14"
e2e_until 4 e2e_heard 857.5 "$E2E_FIRST" || e2e_fail "MIDI clock: no pitch 14 again in 4 s"
((E2E_FIRST - t14 >= 3800 && E2E_FIRST - t14 <= 4200)) ||
    e2e_check "MIDI clock at 120 bpm: expected 32 steps in 4 s, found $((E2E_FIRST - t14)) ms"
e2e_wait_exit "$master" 10 || e2e_fail "the master did not end 8 s after its start"
end=$(e2e_now)
e2e_sound "the master's Stop: silence once the note died, though its clock went on" \
    $((end - 900)) $((end - 200))

# "Send MIDI clock" from the internal clock at 125 ms a step, measured for 30 s. Help's ">" shows
# the Speed slider (which the master left at its tempo); a click on its track gives it the keys:
# Home makes it 1 ms, each Page Up 5 more, each Right 1 more.
e2e_click 464 24
e2e_window '^Tavrilo Synth HELP$' 5 || e2e_fail "expected the help window after \"Help\""
e2e_click 108 288 "$E2E_WIN" && e2e_click 348 20 "$E2E_WIN"
e2e_click 620 64
# shellcheck disable=SC2046  # the key names
xdotool key --delay 20 Home $(printf 'Prior %.0s' {1..24}) Right Right Right Right
clock_menu i && clock_menu s
e2e_spawn receiver TERM "$probe" receive "$port:out" 33 && receiver=$E2E_IDX
receiving() { [[ $(jack_lsp -c "$port:out") == *midi-probe* ]]; }
e2e_until 5 receiving || e2e_fail "the receiver did not connect to $port:out in 5 s"
e2e_click 248 68 && sleep 30.5 && e2e_click 320 68
e2e_wait_exit "$receiver" 10 || e2e_fail "the receiver did not end"
said=$(cat "$E2E_ARTIFACTS/receiver.out") && e2e_log "received: $said"
# A stall of this machine longer than the step's lead (7.8 ms) sends that step's first clocks
# late, as the step is heard late: judged on three intervals in four, so that a fault in every
# step (two intervals in six) still shows.
awk '{ for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] } }
    END { exit !(v["start"] == 1 && v["stop"] == 1 && v["clocks"] >= 1440 && v["clocks"] <= 1520 &&
        v["per_second"] >= 47.75 && v["per_second"] <= 48.25 && v["jitter_p75_ms"] <= 1 &&
        v["skipped"] < v["clocks"] / 10) }' <<<"$said" ||
    e2e_check "30.5 s at 125 ms a step: expected one Start, about 1470 clocks, 48 a second," \
        "jitter p75 at most 1 ms, no more than a tenth skipped, and one Stop; received: $said"
