#!/usr/bin/python3
"""Prints the events of a standard MIDI file as mido reads it, one per line, with absolute
ticks, so that tests can check our writer against a parser that is not ours."""
import sys

import mido

midi = mido.MidiFile(sys.argv[1])
print("file", midi.type, len(midi.tracks), midi.ticks_per_beat)
for track in midi.tracks:
    tick = 0
    for msg in track:
        tick += msg.time
        if msg.type == "track_name":
            raw = msg.name.encode("latin1")
            print("name", tick, len(raw), raw.hex())
        elif msg.type == "set_tempo":
            print("tempo", tick, msg.tempo)
        elif msg.type in ("note_on", "note_off"):
            print(msg.type, tick, msg.channel, msg.note, msg.velocity)
        elif msg.type == "end_of_track":
            print("end", tick)
        else:
            print("other", tick, msg.type)
