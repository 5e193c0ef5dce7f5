#!/usr/bin/env bash
# The sound server killed and started again under a playing sequence, twice: each time the
# sequence is heard again at its pitch within 1 s of the server's return, and the program runs
# on. The second server numbers its sinks anew (another one first), as a server may.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_all

# heard: the grey line's pitch 14 (857.5 Hz) in what the recording holds so far.
heard() {
    local got ms
    got=$("$E2E_TONE" "$E2E_REC" $E2E_RATE 0 "$("$E2E_TONE" "$E2E_REC" $E2E_RATE)" 857.5) &&
        read -r _ ms _ <<<"$got" && ((ms >= 100))
}

e2e_click 64 456 # grey chalk: Tone 10, pitch 14, at every step
e2e_stroke 140 2 502
e2e_click 248 68 # play
e2e_record playing
e2e_until 5 heard || e2e_fail "expected the grey line's 857.5 Hz playing before any restart"
for round in 1 2; do
    e2e_stop "$E2E_PULSE_IDX" KILL
    e2e_stop "$E2E_REC_IDX"
    e2e_alive "$E2E_PROG_IDX" || e2e_fail "round $round: the program ended with its sound server"
    ((round == 1)) || E2E_PULSE_FIRST=("load-module module-null-sink sink_name=decoy")
    e2e_start_pulse
    back=$((${EPOCHREALTIME/./} / 1000))
    e2e_record "round$round"
    back=$((back - E2E_REC_T0))
    e2e_until 3 heard || true
    e2e_sleep_until $((back + 1100))
    e2e_sound "round $round: heard within 1 s of the server's return" 0 $((back + 1000)) \
        857.5 50 1000
    e2e_log "round $round: heard from $E2E_FIRST ms of the recording, the server back at $back ms"
    e2e_alive "$E2E_PROG_IDX" || e2e_fail "round $round: the program ended after the return"
done
e2e_sleep_until $((back + 2100))
e2e_sound "round 2: the sequence plays on" $((back + 1000)) $((back + 2000)) 857.5 300 1000
