#!/usr/bin/env bash
# Ableton Link with another program (link_peer) on this machine: Link turned on from the play
# button's right-button menu with the keyboard; the peer's tempo and start heard, its stop obeyed;
# the Speed slider sets the peer's tempo; play here starts the peer.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_all

e2e_two_halves
mkfifo "$E2E_RT/peer.in" && exec 7<>"$E2E_RT/peer.in"
e2e_spawn link_peer TERM "$(dirname "$E2E_TONE")/link_peer" "$E2E_RT/peer.in"
peer_says() { [[ $(tail -n 1 "$E2E_ARTIFACTS/link_peer.out") == *"$1"* ]]; }
e2e_clock_menu l
e2e_until 10 peer_says "peers 1" || e2e_fail "Link: the peer found no peer in 10 s"

e2e_record link
echo "tempo 100" >&7 && echo play >&7
e2e_until 5 peer_says "tempo 100.00 playing 1" || e2e_fail "the peer could not start at 100 bpm"
# 16 steps in 2.4 s at 150 ms a step (3.2 s at the 200 ms of before).
e2e_halves 6
((E2E_HALVES[0] >= 2300 && E2E_HALVES[0] <= 2500 && E2E_HALVES[1] >= 2300 &&
    E2E_HALVES[1] <= 2500)) || e2e_check "100 bpm: expected 16 steps in 2.4 s, found" \
    "pitch 14 for ${E2E_HALVES[0]} ms, 18 for ${E2E_HALVES[1]} ms"
echo stop >&7
stopped=$(e2e_now)
e2e_sleep_until $((stopped + 2600))
e2e_sound "the peer stopped: silence once the note died" $((stopped + 2000)) $((stopped + 2500))

# The Speed slider: 25 keys to the left make 125 ms a step, 120 bpm.
e2e_speed_keys
peer_says "tempo 100.00" || e2e_check "a click on the Speed slider's track moved the tempo"
xdotool key --delay 30 $(printf 'Left %.0s' {1..25})
e2e_until 5 peer_says "tempo 120.00 playing 0" ||
    e2e_check "Speed at 125 ms: expected the peer at 120 bpm, it says: $(tail -n 1 "$E2E_ARTIFACTS/link_peer.out")"
e2e_click 248 68
e2e_until 5 peer_says "tempo 120.00 playing 1" || e2e_check "play here: expected the peer playing"
