#!/usr/bin/env bash
# Ableton Link with another program (link_peer) on this machine: Link turned on from the play
# button's right-button menu with the keyboard; the peer's tempo and start heard, its stop obeyed;
# the Speed slider sets the peer's tempo; play here starts the peer.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_all

# Pitch 14 (857.5 Hz) on steps 0..15, pitch 18 (1102.5 Hz) on steps 16..31, Decay 1: each half
# sounds for 16 steps, so its length gives the step period.
e2e_click 64 456 && e2e_stroke 140 2 250 && e2e_stroke 87 258 502
e2e_click 440 456 && e2e_stroke 20 2 502

mkfifo "$E2E_RT/peer.in" && exec 7<>"$E2E_RT/peer.in"
e2e_spawn link_peer TERM "$(dirname "$E2E_TONE")/link_peer" "$E2E_RT/peer.in"
peer_says() { [[ $(tail -n 1 "$E2E_ARTIFACTS/link_peer.out") == *"$1"* ]]; }
# The menu opens at the pointer, over the black board.
menu_shown() { e2e_shot root menu && [[ $(e2e_pixels 330 100) != 000000* ]]; }
e2e_keys "$E2E_MAIN"
xdotool mousemove --window "$E2E_MAIN" 248 68 click 3
e2e_until 5 menu_shown || e2e_fail "right button on play: expected the Clock menu"
sleep 0.3
xdotool key l
e2e_until 10 peer_says "peers 1" || e2e_fail "Link: the peer found no peer in 10 s"

e2e_record link
echo "tempo 100" >&7 && echo play >&7
e2e_until 5 peer_says "tempo 100.00 playing 1" || e2e_fail "the peer could not start at 100 bpm"
e2e_until 5 e2e_heard 857.5 0 || e2e_fail "no sound within 5 s of the peer's start"
# The pitch changes every 16 steps: 2.4 s at 150 ms a step (3.2 s at the 200 ms of before).
a=$E2E_FIRST
e2e_until 6 e2e_heard 1102.5 "$a" || e2e_fail "no pitch 18 within 6 s of pitch 14"
b=$E2E_FIRST
e2e_until 6 e2e_heard 857.5 "$b" || e2e_fail "no pitch 14 again within 6 s of pitch 18"
c=$E2E_FIRST
((b - a >= 2300 && b - a <= 2500 && c - b >= 2300 && c - b <= 2500)) ||
    e2e_check "100 bpm: expected 16 steps in 2.4 s, found pitch 14 for $((b - a)) ms, 18 for $((c - b)) ms"
echo stop >&7
stopped=$(e2e_now)
e2e_sleep_until $((stopped + 2600))
e2e_sound "the peer stopped: silence once the note died" $((stopped + 2000)) $((stopped + 2500))

# Help's ">" shows the Speed slider; a click on its track gives it the keys, and 25 to the left
# make 125 ms a step, 120 bpm.
e2e_click 464 24
e2e_window '^Tavrilo Synth HELP$' 5 || e2e_fail "expected the help window after \"Help\""
e2e_click 108 288 "$E2E_WIN" && e2e_click 348 20 "$E2E_WIN"
e2e_click 620 64
peer_says "tempo 100.00" || e2e_check "a click on the Speed slider's track moved the tempo"
xdotool key --delay 30 $(printf 'Left %.0s' {1..25})
e2e_until 5 peer_says "tempo 120.00 playing 0" ||
    e2e_check "Speed at 125 ms: expected the peer at 120 bpm, it says: $(tail -n 1 "$E2E_ARTIFACTS/link_peer.out")"
e2e_click 248 68
e2e_until 5 peer_says "tempo 120.00 playing 1" || e2e_check "play here: expected the peer playing"
