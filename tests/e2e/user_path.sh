#!/usr/bin/env bash
# One user's way: the start-up look, a tone drawn while it plays, the meter, stop, the device's
# rest in the background, note keys, the exit prompt answered No, the sound server killed and
# started again under it, twice, and Yes.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_all

# Client pixels are twips / 15. Pitch p sounds at p x 61.25 Hz. Grey chalk at board row Y writes
# Tone = 15 Y / 200, played as pitch 24 - Tone; white chalk writes Decay = 15 Y / 200.
PLAY=(248 68) STOP=(320 68)
e2e_shot "$E2E_MAIN" startup
black=$(e2e_count 509x325+18+90 000000)
((black == 509 * 325)) || e2e_check "the board at start: expected 165425 black pixels, got $black"
# Each swatch and button face in its colour (start_colours.txt: what, x, y, RRGGBB).
# shellcheck disable=SC2046  # the file's words
e2e_colours $(grep -v '^#' "$(dirname "$0")/start_colours.txt")

e2e_record session
e2e_click "${PLAY[@]}"
# While it plays: Tone 10 (pitch 14) at every step, then Decay 2: each note rings into the next.
e2e_click 64 456 # grey
e2e_stroke 140 2 502
grey() { e2e_shot "$E2E_MAIN" drawn && grey=$(e2e_count 509x1+18+230 808080) && ((grey >= 450)); }
e2e_until 5 grey || e2e_check "the grey stroke: expected it on the board, found $grey pixels"
e2e_click 440 456 # white
e2e_stroke 33 2 502
drawn=$(e2e_now)
e2e_click 420 24
e2e_window '^Tavrilo Synth V\.U\.$' 5 || e2e_fail "expected the meter window after \"vu\"; none"
meter=$E2E_WIN
# While notes sound oscillator 1's trace (WPB1) swings off its centre row 42, and oscillator 2's
# (Picture1), silent at AM1 100, is its centre line.
swings() { e2e_shot "$meter" meter && swing=$(e2e_count 133x30+26+26 00FF00) && ((swing >= 20)); }
e2e_until 10 swings || e2e_check "the meter while notes sound: expected oscillator 1's trace off" \
    "its centre in WPB1, found $swing green pixels there"
line=$(e2e_count 133x85+178+26 00FF00)
((line >= 100)) || e2e_check "the meter: expected oscillator 2's trace in Picture1, found $line"
e2e_sleep_until $((drawn + 1500))
stopped=$(e2e_now)
e2e_click "${STOP[@]}"

# Stopped and silent, the sound device rests only while another program's window is active: its
# stream leaves the server two seconds into the silence, and comes back as our window is active
# again, so a note key played then (S, pitch 10, a real key event) is not late.
e2e_keys "$E2E_MAIN"
flat() { e2e_shot "$meter" meter-stopped && swing=$(e2e_count 133x30+26+26 00FF00) && ((!swing)); }
e2e_until 5 flat || e2e_check "the meter after stop: expected a flat trace, found $swing off it"
rests() { [[ -z $(pactl list short sink-inputs) ]]; }
e2e_spawn other TERM xev -name other
e2e_window '^other$' 5 && e2e_keys "$E2E_WIN" || e2e_fail "expected another program's window"
e2e_until 10 rests || e2e_check "in the background: expected the sound device to rest in 10 s"
e2e_keys "$E2E_MAIN"
e2e_until 2 eval '! rests' || e2e_check "in the foreground again: expected the device streaming"
key_s=$(e2e_now)
xdotool key s
e2e_sleep_until $((key_s + 1000))

# The exit prompt (Alt+X, "E&xit") answered with the key $1.
answer() {
    e2e_keys "$E2E_MAIN" alt+x
    e2e_window '^Exit Tavrilo$' 5 || e2e_fail "expected the prompt 'Exit Tavrilo' after Alt+X; none"
    e2e_keys "$E2E_WIN" "$1"
}
e2e_click "${PLAY[@]}"
answer Return
e2e_until 5 e2e_no_window '^Exit Tavrilo$' || e2e_fail "expected Return (No) to close the prompt"
no=$(e2e_now)
e2e_sleep_until $((no + 1500))
e2e_alive "$E2E_PROG_IDX" || e2e_fail "expected the program to run on after No (Return); it ended"
e2e_stop "$E2E_REC_IDX"
e2e_sound "the grey stroke: pitch 14" "$drawn" $((drawn + 1500)) 857.5 1000 1500
e2e_sound "stopped: the last note has died 1.2 s later" $((stopped + 1200)) $((stopped + 1500))
e2e_sound "key S" "$key_s" $((key_s + 1000)) 612.5 400 1000
e2e_sound "No: the music plays on" "$no" $((no + 1500)) 857.5 700 1500

# The sound server killed under the playing sequence and started again, twice, the second time
# numbering its sinks anew (another one first), as a server may: the program runs on, its
# windows answer while there is no server, and the sequence is heard again at its pitch within
# 1 s of each return.
for round in 1 2; do
    e2e_stop "$E2E_PULSE_IDX" KILL
    e2e_alive "$E2E_PROG_IDX" || e2e_fail "round $round: the program ended with its sound server"
    ((round == 2)) || e2e_click 316 24
    ((round == 2)) || e2e_window '^Tavrilo Synth Oscilator Control$' 5 ||
        e2e_check "no sound server: expected the oscillator panel after \"osc\"; none"
    ((round == 1)) || E2E_PULSE_FIRST=("load-module module-null-sink sink_name=decoy")
    e2e_start_pulse
    back=$((${EPOCHREALTIME/./} / 1000))
    e2e_record "round$round"
    back=$((back - E2E_REC_T0))
    e2e_until 3 e2e_heard 857.5 0 || true
    e2e_sound "round $round: heard within 1 s of the server's return" 0 $((back + 1000)) \
        857.5 50 1000
    e2e_stop "$E2E_REC_IDX"
done
answer alt+y
e2e_wait_exit "$E2E_PROG_IDX" 3 || e2e_fail "expected the program to end within 3 s of Yes; it runs"
((E2E_EXIT_STATUS == 0)) || e2e_check "after Yes: expected exit status 0, found $E2E_EXIT_STATUS"
