#!/usr/bin/env bash
# No sound server and no SDL_AUDIODRIVER: the program must say so in one line on stderr, end
# with a non-zero status within 2 s, and never show a window.
# Usage: fault_no_sound_server.sh PROGRAM WAVCHECK WMDELETE ARTIFACT_DIR
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_x
# PULSE_SERVER names a socket in the private directory that nobody serves.

# Every window mapped on this display shows up as a MapNotify on the root window.
e2e_spawn xev TERM xev -root -event substructure
xev_idx=$E2E_IDX
sleep 0.5
e2e_alive "$xev_idx" || e2e_fail "xev could not watch the root window (see xev.err)"

e2e_start_program
started=$EPOCHREALTIME
while e2e_program_alive; do
    w=$(xdotool search --onlyvisible . 2>/dev/null | head -n 1 || true)
    [[ -z $w ]] || e2e_fail "expected no window; window $w ($(xdotool getwindowname "$w" 2>/dev/null)) appeared"
    _e2e_past "$(e2e_calc "$started + 2.0")" &&
        e2e_fail "expected the program to end within 2 s without a sound server; it still runs"
    sleep 0.05
done
e2e_wait_exit "$E2E_PROGRAM_IDX" 1 || e2e_fail "the program did not finish ending"
took=$(e2e_calc "$EPOCHREALTIME - $started")
e2e_log "the program ended with status $E2E_EXIT_STATUS after about $took s"
((E2E_EXIT_STATUS != 0)) || e2e_fail "expected a non-zero exit status, got 0"

mapfile -t lines <"$E2E_ARTIFACTS/program.err"
((${#lines[@]} == 1)) ||
    e2e_fail "expected exactly one line on stderr, got ${#lines[@]} (see program.err)"
[[ ${lines[0]} =~ ^cannot\ open\ the\ sound\ device:\ .+ ]] ||
    e2e_fail "expected 'cannot open the sound device: <reason>' on stderr, got: ${lines[0]}"
e2e_log "stderr: ${lines[0]}"

sleep 0.3
e2e_stop "$xev_idx"
if grep -q '^MapNotify' "$E2E_ARTIFACTS/xev.out"; then
    e2e_fail "expected no window; the X server saw one mapped (see xev.out)"
fi
e2e_finish
