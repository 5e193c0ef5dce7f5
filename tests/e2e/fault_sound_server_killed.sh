#!/usr/bin/env bash
# The sound server dies while a note plays: the program keeps running, its windows still
# answer, and closing the main window ends it with status 0.
# Usage: fault_sound_server_killed.sh PROGRAM WAVCHECK WMDELETE ARTIFACT_DIR
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_x
e2e_start_pulse
e2e_start_program
e2e_find_main_window

e2e_draw_tone_stroke
e2e_press_play
e2e_record_start before-kill
sleep 2
e2e_record_stop
e2e_sound "a note plays before the sound server goes" peak 0.5 end "$E2E_TONE_HZ" 2

e2e_kill_pulse
sleep 1.5
e2e_expect_running "after the sound server was killed"

e2e_click "$E2E_VU_X" "$E2E_VU_Y"
vu=$(e2e_find_window '^Tavrilo Synth V\.U\.$' 10)
[[ -n $vu ]] || e2e_fail "expected the meter window 'Tavrilo Synth V.U.' after a click on \"vu\"; none appeared"
e2e_click "$E2E_OSC_X" "$E2E_OSC_Y"
osc=$(e2e_find_window '^Tavrilo Synth Oscilator Control$' 10)
[[ -n $osc ]] || e2e_fail "expected the oscillator panel after a click on \"osc\"; none appeared"
e2e_press_stop
e2e_expect_running "after the windows were opened"
e2e_log "the program still answers: meter window $vu, oscillator panel $osc"

e2e_close_window "$E2E_MAIN_WIN"
e2e_wait_exit "$E2E_PROGRAM_IDX" 10 ||
    e2e_fail "expected the program to end after its main window was closed; it still runs after 10 s"
((E2E_EXIT_STATUS == 0)) ||
    e2e_fail "expected exit status 0 after closing the main window, got $E2E_EXIT_STATUS"
left=$(xdotool search --onlyvisible . 2>/dev/null || true)
[[ -z $left ]] || e2e_fail "expected every window gone with the program; still visible: $left"
e2e_log "closing the main window ended the program with status 0"
e2e_finish
