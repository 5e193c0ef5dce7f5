#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop reads there: a valid entry
# whose Exec starts the installed program, of the entry's class, and drawn icons of every size;
# then builds the Debian package and checks what it depends on and that lintian finds no fault.
#   install_check.sh CMAKE CPACK BUILD_DIR ARTIFACT_DIR
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"
cmake=$1 cpack=$2 build=$3 id=org.tavrilo.Synth
e2e_init "the installed program" none "$4"
tmp=$E2E_RT/install share=$E2E_RT/install/usr/share entry=$share/applications/$id.desktop
"$cmake" --install "$build" --prefix "$tmp/usr" >/dev/null
# desktop-file-validate exits 0 on some errors: any message it prints fails the check.
messages=$(desktop-file-validate "$entry")
[[ -z $messages ]] || e2e_check "the desktop entry: $messages"
grep -qx "Icon=$id" "$entry" || e2e_check "the desktop entry names no Icon=$id"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >/dev/null ||
    e2e_check "appstreamcli finds the metainfo invalid"
for n in 16 32 48 64 128 256; do # each its size, with a drawing in it: a few colours at least
    got=$(identify -format '%wx%h %k' "$share/icons/hicolor/${n}x$n/apps/$id.png")
    [[ $got =~ ^${n}x$n\ ([0-9]+)$ ]] && ((BASH_REMATCH[1] >= 4)) ||
        e2e_check "the ${n}x$n icon: expected that size and 4 colours or more, found $got"
done

# What the desktop's menu does: the entry's Exec, with the installed programs on the PATH. With
# no sound server (PULSE_SERVER names a socket nobody serves, ALSA has no devices) the program
# says so in one line on stderr and ends with a non-zero status within 2 s, mapping no window
# (every window mapped shows up as a MapNotify on the root window); with one, its main window
# comes, of the entry's class.
command=$(sed -n 's/^Exec=//p' "$entry") class=$(sed -n 's/^StartupWMClass=//p' "$entry")
read -r -a words <<<"${command// %[fFuU]/}"
e2e_start_x
e2e_spawn xev TERM xev -root -event substructure && xev=$E2E_IDX
sleep 0.3 # xev shows nothing until a window comes
e2e_alive "$xev" || e2e_fail "xev could not watch the root window (xev.err)"
e2e_spawn program TERM env "PATH=$tmp/usr/bin:$PATH" "${words[@]}"
e2e_wait_exit "$E2E_IDX" 2 || e2e_fail "without sound: expected the program to end within 2 s"
((E2E_EXIT_STATUS != 0)) || e2e_check "without sound: expected a non-zero exit status, found 0"
mapfile -t lines <"$E2E_ARTIFACTS/program.err"
[[ ${#lines[@]} == 1 && ${lines[0]} =~ ^cannot\ open\ the\ sound\ device:\ .+ ]] ||
    e2e_check "without sound: expected one line 'cannot open the sound device: <reason>' on" \
        "stderr, found ${#lines[@]}: ${lines[*]}"
e2e_stop "$xev"
! grep -q '^MapNotify' "$E2E_ARTIFACTS/xev.out" || e2e_check "without sound: a window was mapped"
e2e_start_pulse
e2e_spawn program TERM env "PATH=$tmp/usr/bin:$PATH" "${words[@]}" && program=$E2E_IDX
e2e_window '^Tavrilo Synth4' 30 || e2e_fail "Exec=$command showed no main window in 30 s"
got=$(xprop -id "$E2E_WIN" WM_CLASS)
[[ $got == *", \"$class\"" ]] || e2e_check "expected the window of class $class, found $got"
e2e_stop "$program"

(cd "$tmp" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/deb" >/dev/null)
depends=$(dpkg-deb --field "$tmp/deb/tavrilo-synth_"*"_$(dpkg --print-architecture).deb" Depends)
for package in qt6-qpa-plugins fonts-wine 'libsdl2-2\.0-0' libqt6widgets6; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || e2e_check "Depends: $package not in $depends"
done
lint=$(lintian --allow-root --fail-on error,warning "$tmp/deb/"*.deb 2>&1) || e2e_check "lintian: $lint"
