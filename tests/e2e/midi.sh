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

e2e_two_halves
e2e_record midi

e2e_spawn notes TERM jack_midiseq notes 48000 0 60 24000 && notes=$E2E_IDX
from=$(e2e_now)
e2e_until 5 jack_connect notes:out "$port:in" || e2e_fail "could not connect notes:out to $port:in"
e2e_until 5 e2e_heard 796.25 "$from" || e2e_check "note 60: expected pitch 13 (796.25 Hz) in 5 s"
e2e_stop "$notes"

# A master at 120 bpm: Start, 5 s of clock, Stop, and 3 s more of clock, as masters go on.
e2e_clock_menu m
e2e_spawn master TERM "$probe" send "$port:in" 120 5 && master=$E2E_IDX
e2e_halves 5
((E2E_HALVES[0] + E2E_HALVES[1] >= 3800 && E2E_HALVES[0] + E2E_HALVES[1] <= 4200)) ||
    e2e_check "MIDI clock at 120 bpm: expected 32 steps in 4 s, found ${E2E_HALVES[*]} ms"
e2e_wait_exit "$master" 10 || e2e_fail "the master did not end 8 s after its start"
end=$(e2e_now)
e2e_sound "the master's Stop: silence once the note died, though its clock went on" \
    $((end - 900)) $((end - 200))

# "Send MIDI clock" from the internal clock at 125 ms a step, measured for 30 s. The Speed slider
# (which the master left at its tempo): Home makes it 1 ms, each Page Up 5 more, each Right 1.
e2e_speed_keys
# shellcheck disable=SC2046  # the key names
xdotool key --delay 20 Home $(printf 'Prior %.0s' {1..24}) Right Right Right Right
e2e_clock_menu i && e2e_clock_menu s
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
