#!/usr/bin/env bash
# A drawn note from the mouse to the sound server: grey chalk across every step column at one
# height, play, stop; the recording and a screenshot must show what was drawn.
# Usage: sound_scenario.sh PROGRAM WAVCHECK WMDELETE ARTIFACT_DIR
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_x
e2e_start_pulse
e2e_start_program
e2e_find_main_window
e2e_record_start session

# At start-up every step is a rest: playing them must give silence.
e2e_press_play
rest_from=$(e2e_rec_time)
sleep 2
rest_to=$(e2e_rec_time)
e2e_press_stop

e2e_draw_tone_stroke
e2e_press_play
play_from=$(e2e_rec_time)
sleep 3
e2e_screenshot "$E2E_MAIN_WIN" playing
stop_at=$(e2e_rec_time)
e2e_press_stop
sleep 2
e2e_expect_running "after play and stop"
e2e_record_stop

# Half a second of margin after each click covers the device's buffering.
e2e_sound "every step a rest, play pressed: silence" silent "$(e2e_calc "$rest_from + 0.5")" "$rest_to"
e2e_sound "playing the stroke: the strongest tone is pitch 14 x 61.25 Hz" \
    peak "$(e2e_calc "$play_from + 0.5")" "$stop_at" "$E2E_TONE_HZ" 2
e2e_sound "after stop the sound dies away within a second" dies "$stop_at" 1.0

# The screenshot: the board black away from the stroke, the palette, the stroke, the lamp.
shot=$E2E_SHOT
stroke_y=$((E2E_BOARD_Y + E2E_TONE_Y_PX))
for xy in "10 10" "250 60" "480 20" "100 250" "400 310" "250 $((E2E_TONE_Y_PX - 40))" \
    "250 $((E2E_TONE_Y_PX + 40))"; do
    read -r bx by <<<"$xy"
    e2e_expect_pixel "$shot" $((E2E_BOARD_X + bx)) $((E2E_BOARD_Y + by)) 000000 \
        "the board away from the stroke stays black"
done
for i in "${!E2E_SWATCH_RGB[@]}"; do
    e2e_expect_pixel "$shot" $((E2E_SWATCH_LEFT_TWIPS[i] / 15 + 16)) "$E2E_SWATCH_Y" \
        "${E2E_SWATCH_RGB[i]}" "swatch lblcolor($i)"
done
# The stroke is one pixel wide; allow two pixels either way for rounding to twips and back.
for bx in 20 120 250 380 490; do
    x=$((E2E_BOARD_X + bx))
    colours=$(e2e_pixels "$shot" "$x" $((stroke_y - 2)) "$x" $((stroke_y - 1)) "$x" "$stroke_y" \
        "$x" $((stroke_y + 1)) "$x" $((stroke_y + 2)) | tr '\n' ' ')
    [[ ${colours^^} == *808080* ]] ||
        e2e_check_failed "the stroke: expected grey (#808080) within 2 px of client pixel ($x, $stroke_y); found $colours"
done
e2e_expect_pixel "$shot" "$E2E_LAMP_X" "$E2E_LAMP_Y" 00FF00 "the play lamp while playing"
e2e_finish
