#!/usr/bin/env bash
# No sound server: the program says so in one line on stderr, ends with a non-zero status
# within 2 s, and never maps a window.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_x
# PULSE_SERVER names a socket nobody serves, and ALSA has no devices. Every window mapped on
# this display shows up as a MapNotify on the root window.
e2e_spawn xev TERM xev -root -event substructure
xev=$E2E_IDX
sleep 0.3
e2e_alive "$xev" || e2e_fail "xev could not watch the root window (xev.err)"
e2e_start_program
e2e_wait_exit "$E2E_PROG_IDX" 2 || e2e_fail "expected the program to end within 2 s; it runs"
((E2E_EXIT_STATUS != 0)) || e2e_check "expected a non-zero exit status, found 0"
mapfile -t lines <"$E2E_ARTIFACTS/program.err"
[[ ${#lines[@]} == 1 && ${lines[0]} =~ ^cannot\ open\ the\ sound\ device:\ .+ ]] ||
    e2e_check "expected one line 'cannot open the sound device: <reason>' on stderr, found" \
        "${#lines[@]}: ${lines[*]}"
sleep 0.3
e2e_stop "$xev"
mapped=$(grep -m 1 -A 1 '^MapNotify' "$E2E_ARTIFACTS/xev.out" | tr -s '\n ' ' ' || true)
[[ -z $mapped ]] || e2e_check "expected no window; the X server saw one mapped: $mapped"
