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
e2e_spawn other TERM xev -name other -geometry +600+0 # clear of the board
e2e_window '^other$' 5 && e2e_keys "$E2E_WIN" || e2e_fail "expected another program's window"
e2e_until 10 rests || e2e_check "in the background: expected the sound device to rest in 10 s"
e2e_keys "$E2E_MAIN"
e2e_until 2 eval '! rests' || e2e_check "in the foreground again: expected the device streaming"
key_s=$(e2e_now)
xdotool key s
e2e_sleep_until $((key_s + 1000))

# Space plays and stops, also after a click on "play", and presses no button ("new" would clear).
e2e_click "${PLAY[@]}" && e2e_keys "$E2E_MAIN" space
lamp() { e2e_shot "$E2E_MAIN" lamp && [[ $(e2e_pixels 284 68) == "$1"* ]]; }
e2e_until 2 lamp 000000 || e2e_check "Space after a click on play: expected a black play lamp"
space=$(e2e_now) && xdotool key space
e2e_until 2 lamp 00FF00 || e2e_check "Space when stopped: expected a green play lamp"

# Ctrl+C, "new", Ctrl+V: the very picture back. A tune as text only: each row a line through its
# values, step s at board column 16 s, a value v in rows v x divisor / 15 on; Ctrl+Z undoes it.
board() { e2e_shot "$E2E_MAIN" "$1" && convert "$E2E_SHOT" -crop 509x325+18+90 "$E2E_SHOT.ppm"; }
same() { board "$1" && cmp -s "$E2E_ARTIFACTS/$2.png.ppm" "$E2E_SHOT.ppm"; }
board copied && e2e_keys "$E2E_MAIN" ctrl+c && e2e_click 250 24 && e2e_keys "$E2E_MAIN" ctrl+v
e2e_until 2 same pasted copied || e2e_check "Ctrl+C, new, Ctrl+V: expected the copied picture"
tune=(Tone 200 808080 2 0 2 Osc1 720 0000FF 1 0 5 Osc2 720 00FF00 2 0 8 AM1 50 00FFFF 45 0 11
    AM2 50 FFFF00 55 0 14 FM 50 FF0000 65 0 17 Vol 50 FF00FF 75 0 20 Decay 200 FFFFFF 21 0 23
    atteck 190 FF8000 24 1 26) # name, divisor, colour, value, value at one step, that step
v() { echo "${tune[$1 + ($2 == tune[$1 + 5] ? 4 : 3)]}"; } # of row $1 at step $2
printf 'Tavrilo Synth tune 1\nlength 32\ntempo 200\nexpand 0 0' >"$E2E_ARTIFACTS/tune"
for ((r = 0; r < 54; r += 6)); do
    printf '\n%s' "${tune[r]}" && for s in {0..31}; do printf ' %s' "$(v $r $s)"; done
done >>"$E2E_ARTIFACTS/tune"
e2e_spawn xclip TERM xclip -quiet -selection clipboard -i "$E2E_ARTIFACTS/tune"
holds() { [[ $(xclip -o -selection clipboard) == "$(<"$E2E_ARTIFACTS/tune")" ]]; }
e2e_until 5 holds && e2e_keys "$E2E_MAIN" ctrl+v || e2e_fail "xclip did not take the clipboard"
e2e_until 2 eval '! same drawn copied' || e2e_check "Ctrl+V of a tune as text: the board unchanged"
for ((r = 0; r < 54; r += 6)); do for s in 0 "${tune[r + 5]}" 31; do # a pixel in the value's band
    v=$(v $r $s) d=${tune[r + 1]} && top=$(((v * d + 14) / 15)) end=$((((v + 1) * d + 14) / 15))
    (($(e2e_count "1x$((end - top))+$((18 + 16 * s))+$((90 + top))" "${tune[r + 2]}"))) ||
        e2e_check "the pasted ${tune[r]} $v at step $s: not in board rows $top..$((end - 1))"
done; done
e2e_keys "$E2E_MAIN" ctrl+z
e2e_until 2 same undone copied || e2e_check "Ctrl+Z after a paste: expected the picture before"

# The exit prompt (Alt+X, "E&xit") answered with the key $1.
answer() {
    e2e_keys "$E2E_MAIN" alt+x
    e2e_window '^Exit Tavrilo$' 5 || e2e_fail "expected the prompt 'Exit Tavrilo' after Alt+X; none"
    e2e_keys "$E2E_WIN" "$1"
}
answer Return
e2e_until 5 e2e_no_window '^Exit Tavrilo$' || e2e_fail "expected Return (No) to close the prompt"
no=$(e2e_now)
e2e_sleep_until $((no + 1500))
e2e_alive "$E2E_PROG_IDX" || e2e_fail "expected the program to run on after No (Return); it ended"
e2e_stop "$E2E_REC_IDX"
e2e_sound "the grey stroke: pitch 14" "$drawn" $((drawn + 1500)) 857.5 1000 1500
e2e_sound "stopped: the last note has died 1.2 s later" $((stopped + 1200)) $((stopped + 1500))
e2e_sound "key S" "$key_s" $((key_s + 1000)) 612.5 400 1000
e2e_sound "Space when stopped: plays" "$space" $((space + 1000)) 857.5 500 1000
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
