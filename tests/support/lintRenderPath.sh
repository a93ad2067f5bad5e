#!/bin/sh
# Fails when the render-path folders use raw allocation, locks, threads or Qt, or when the files
# the audio thread runs print, format text, write to a descriptor or build strings.
cd "$1" || exit 2
status=0
hits=$(grep -rnE '\bmalloc\(|<mutex>|<thread>|<condition_variable>|#include <Q' dsp engine sequencer effects 2>/dev/null)
if [ -n "$hits" ]; then
    echo "$hits"
    status=1
fi
render_path="dsp engine/PalladonRender.cpp engine/Voice.h engine/Voice.cpp engine/LivePlay.h
engine/LivePlay.cpp engine/WavetableOscillator.h engine/WavetableOscillator.cpp
engine/PalladonMidi.cpp sequencer/Transport.h sequencer/Transport.cpp sequencer/MidiOut.h
sequencer/MidiOut.cpp sequencer/StepRecorder.h sequencer/StepRecorder.cpp
sequencer/NoteEventQueue.h sequencer/LiveNoteInbox.h effects
lv2/Lv2Plugin.cpp lv2/HostTimeline.h lv2/HostTimeline.cpp clap/ClapPlugin.cpp"
# shellcheck disable=SC2086
hits=$(grep -rnE '\b(printf|snprintf|fprintf|puts)\(|(^\s*|[=(!,]\s*|return\s+)(::)?write\(|std::string\b' \
    $render_path 2>/dev/null)
if [ -n "$hits" ]; then
    echo "$hits"
    status=1
fi
exit $status
