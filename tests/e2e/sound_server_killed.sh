#!/usr/bin/env bash
# The sound server dies while a note plays: the program runs on, its windows still answer, and
# closing the main window as a window manager would ends it with status 0.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_all

# Grey chalk at board row 140: pitch 14 (857.5 Hz) at every step.
e2e_click 64 456
e2e_stroke 140 2 502
e2e_record before-kill
played=$(e2e_now)
e2e_click 248 68
sleep 1.5
e2e_stop "$E2E_REC_IDX"
e2e_sound "a note plays before the sound server goes" $((played + 300)) $((played + 1400)) \
    857.5 600 1100
e2e_stop "$E2E_PULSE_IDX" KILL
sleep 1
e2e_alive "$E2E_PROG_IDX" || e2e_fail "expected the program to run on without its sound server"
e2e_click 420 24
e2e_window '^Tavrilo Synth V\.U\.$' 5 || e2e_check "expected the meter window after \"vu\"; none"
e2e_click 316 24
e2e_window '^Tavrilo Synth Oscilator Control$' 5 ||
    e2e_check "expected the oscillator panel after \"osc\"; none"
"$E2E_WMDELETE" "$E2E_MAIN" || e2e_fail "could not send WM_DELETE_WINDOW to window $E2E_MAIN"
e2e_wait_exit "$E2E_PROG_IDX" 10 || e2e_fail "expected the program to end after its main window" \
    "was closed; it runs after 10 s"
((E2E_EXIT_STATUS == 0)) || e2e_check "closed: expected exit status 0, found $E2E_EXIT_STATUS"
left=$(xdotool search --onlyvisible . 2>/dev/null || true)
[[ -z $left ]] || e2e_check "closed: expected no window left; still shown: $left"
