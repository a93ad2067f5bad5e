#!/bin/bash
# Renders the VST 3 bundle in a real host: Ardour 7 headless, its Lua session tool (luasession)
# on the dummy audio backend, no sound card, display or JACK. One session: a MIDI track with the
# instrument at a constant tempo, a few parameters set, the first bars exported while the
# sequencer follows the transport; then saved, closed, loaded again and exported once more.
#
# Usage: ardourRender.sh BUNDLE OUTDIR [SECONDS [BPM [RATE]]]
# Writes OUTDIR/first.wav, OUTDIR/reloaded.wav (32-bit float, stereo, the master bus),
# OUTDIR/first.ardour, OUTDIR/reloaded.ardour (the session files) and OUTDIR/ardour.log.
# Exit status: 0 done; 3 parameters differ after the reload; 77 Ardour is not installed (a
# failure with CI=true); 1 anything else.
#
# Ardour 7.3's luasession crashes at random here (heap corruption in create_session, around
# saving and exporting, at teardown; with no plugin loaded too): each attempt gets a fresh
# session, and only when every attempt fails does the run fail (RH_ATTEMPTS, default 10).
set -uo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ARDOUR_LIB=${ARDOUR_LIB:-/usr/lib/ardour7}
ARDOUR_SHARE=${ARDOUR_SHARE:-/usr/share/ardour7}

if [ $# -lt 2 ]; then sed -n '2,15p' "$0"; exit 1; fi
BUNDLE=$(readlink -f "$1")
OUT=$(readlink -m "$2")
SECONDS_=${3:-32} BPM=${4:-120} RATE=${5:-48000}
[ -d "$BUNDLE" ] || { echo "no such bundle: $1" >&2; exit 1; }
if [ ! -x "$ARDOUR_LIB/luasession" ] || [ ! -x "$ARDOUR_LIB/ardour-vst3-scanner" ]; then
	echo "Ardour 7 is not installed in $ARDOUR_LIB (apt-get install ardour)" >&2
	[ "${CI:-}" = true ] && exit 1
	exit 77
fi
mkdir -p "$OUT"

WORK=$(mktemp -d /tmp/quelvar-ardour.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# A home of its own: Ardour looks for VST 3 bundles in ~/.vst3, /usr/local/lib/vst3 and
# /usr/lib/vst3 (and the folders of its preferences); it reads no environment variable for them.
# Its preferences and scan cache are private too.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache
mkdir -p "$HOME/.vst3" "$XDG_CONFIG_HOME/ardour7/export"
cp "$HERE/export/"* "$XDG_CONFIG_HOME/ardour7/export/"
ln -s "$BUNDLE" "$HOME/.vst3/$(basename "$BUNDLE")"
export LD_LIBRARY_PATH=$ARDOUR_LIB${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
export ARDOUR_DATA_PATH=$ARDOUR_SHARE ARDOUR_CONFIG_PATH=/etc/ardour7 ARDOUR_DLL_PATH=$ARDOUR_LIB
unset DISPLAY # no plugin window, ever

# Ardour instantiates only what its own scanner has put in its cache; the session tool has no
# call that scans. A rebuilt bundle has a new time, so every run scans afresh.
if ! "$ARDOUR_LIB/ardour-vst3-scanner" -f "$HOME/.vst3/$(basename "$BUNDLE")" > "$WORK/scan.log" 2>&1 ||
	! grep -qs '<VST3Info' "$XDG_CACHE_HOME"/ardour7/vst/*.v3i; then
	cat "$WORK/scan.log" >&2
	echo "ardour-vst3-scanner did not take the bundle" >&2
	exit 1
fi

ATTEMPTS=${RH_ATTEMPTS:-10}
for attempt in $(seq 1 "$ATTEMPTS"); do
	rm -rf "$WORK/session" "$WORK/export"
	mkdir -p "$WORK/export"
	LOG=$WORK/ardour.$attempt.log
	timeout 90 "$ARDOUR_LIB/luasession" "$HERE/ardourSession.lua" "$WORK/session" "$WORK/export" \
		"$SECONDS_" "$BPM" "$RATE" < /dev/null > "$LOG" 2>&1
	RC=$?
	if [ $RC -eq 0 ] && grep -q '^RH: done' "$LOG" && [ -s "$WORK/export/first.wav" ] &&
		[ -s "$WORK/export/reloaded.wav" ]; then
		break
	fi
	LAST=$(grep '^RH:' "$LOG" | tail -1)
	echo "attempt $attempt/$ATTEMPTS: exit $RC, last step: ${LAST:-none (in create_session)}" >&2
	# Our own failure (no plugin, no instrument, a refused export) is no crash to retry.
	if grep -q '^RH: FAIL' "$LOG" || [ "$attempt" = "$ATTEMPTS" ]; then
		cp "$LOG" "$OUT/ardour.log"
		cat "$LOG" >&2
		exit 1
	fi
done

cp "$LOG" "$OUT/ardour.log"
cp "$WORK/export/first.wav" "$WORK/export/reloaded.wav" "$OUT/"
cp "$WORK/session/realhost.ardour" "$OUT/first.ardour"
cp "$WORK/session/reloaded.ardour" "$OUT/reloaded.ardour"
grep '^RH:' "$LOG"
grep -q '^RH: state: .*, 0 differ' "$LOG" || exit 3
exit 0
