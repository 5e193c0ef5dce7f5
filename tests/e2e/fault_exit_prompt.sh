#!/usr/bin/env bash
# The exit prompt while playing: No (the default, Return) changes nothing and the note goes
# on; Yes ends the program with status 0 and the sound with it.
# Usage: fault_exit_prompt.sh PROGRAM WAVCHECK WMDELETE ARTIFACT_DIR
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_x
e2e_start_pulse
e2e_start_program
e2e_find_main_window
e2e_draw_tone_stroke
e2e_record_start session
e2e_press_play
play_at=$(e2e_rec_time)
sleep 2
prompt_at=$(e2e_rec_time)

# Alt+X is the access key of "E&xit".
e2e_keys "$E2E_MAIN_WIN" alt+x
prompt=$(e2e_find_window '^Exit Tavrilo$' 10)
[[ -n $prompt ]] || e2e_fail "expected the prompt 'Exit Tavrilo' after Alt+X; none appeared"
e2e_keys "$prompt" Return
e2e_window_gone '^Exit Tavrilo$' 5 ||
    e2e_fail "expected Return (No, the default) to close the prompt; it is still shown after 5 s"
e2e_expect_running "after the exit prompt was answered No"
no_at=$(e2e_rec_time)
sleep 2.5
still_to=$(e2e_rec_time)

e2e_keys "$E2E_MAIN_WIN" alt+x
prompt=$(e2e_find_window '^Exit Tavrilo$' 10)
[[ -n $prompt ]] || e2e_fail "expected the prompt again after a second Alt+X; none appeared"
# Alt+Y is the access key of "&Yes".
e2e_keys "$prompt" alt+y
yes_at=$(e2e_rec_time)
e2e_wait_exit "$E2E_PROGRAM_IDX" 3 ||
    e2e_fail "expected the program to end within 3 s of answering Yes; it still runs"
((E2E_EXIT_STATUS == 0)) || e2e_fail "expected exit status 0 after Yes, got $E2E_EXIT_STATUS"
e2e_log "Yes ended the program with status 0"
sleep 1.5
e2e_record_stop

e2e_sound "before the prompt the note plays" \
    peak "$(e2e_calc "$play_at + 0.5")" "$prompt_at" "$E2E_TONE_HZ" 2
e2e_sound "after No the note still plays" \
    peak "$(e2e_calc "$no_at + 0.3")" "$still_to" "$E2E_TONE_HZ" 2
e2e_sound "after Yes the sound stops with the program" dies "$yes_at" 1.0
e2e_finish
