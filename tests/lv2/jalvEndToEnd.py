#!/usr/bin/python3
"""The LV2 bundle in Debian's jalv against a JACK dummy server (which plays at real time).

jack_rec records the plugin's audio outputs, jack_midi_dump its MIDI output, and jack_transport
starts the JACK transport that jalv hands to the plugin as time:Position. Scenarios:
  hostTransport  the default pattern plays in step with the transport, on both outputs and MIDI
  preset         a factory preset chosen in jalv's console plays its own line
Uses the standalone's end-to-end helpers (process handling, JACK start, pitch checks). Every
process is stopped by its id and every wait is bounded. Exit 77 means "skipped" (never with
CI=true).
"""
import argparse
import os
import shutil
import subprocess
import sys
import wave

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "standalone"))
import endToEnd as e2e  # noqa: E402

PLUGIN = "https://brontavell.example/quelvar/lv2"
CLIENT = "quelvar-jalv"
SECONDS = 6
NEEDS = ["stdbuf", "jackd", "jack_wait", "jack_lsp", "jack_connect", "jack_rec", "jack_midi_dump",
         "jack_transport", "jalv"]
# The first notes of the factory line "Mud Pump" (F0^ - F0 F1~ F0 - G#0 ...), as MIDI notes.
MUD_PUMP_NOTE_ONS = [41, 41, 53, 41, 44]


class JalvRun(e2e.Run):
    def start_jalv(self, lv2_path):
        self.env["LV2_PATH"] = lv2_path
        # Line-buffered, so the log shows at once what jalv has done.
        self.jalv = self.start(["stdbuf", "-oL", "jalv", "-x", "-n", CLIENT, PLUGIN], "jalv.log",
                               stdin=subprocess.PIPE)
        self.wait_for("jalv's ports", lambda: self.port_exists(CLIENT + ":out_r"), 20)
        self.wait_for("jalv's controls", lambda: self.control_listings() > 0, 20)

    def port_exists(self, port):
        _, out = self.tool("jack_lsp")
        return port in out.split()

    def control_listings(self):
        """How often jalv has listed its controls (once at start, again after each preset)."""
        with open(os.path.join(self.artifacts, "jalv.log"), errors="replace") as f:
            return f.read().count("\nchain = ")

    def console(self, line):
        self.jalv.stdin.write((line + "\n").encode())
        self.jalv.stdin.flush()

    def record(self):
        self.wav = os.path.join(self.artifacts, "capture.wav")
        self.rec = self.start(["jack_rec", "-f", self.wav, "-d", str(SECONDS), "-b", "32",
                               CLIENT + ":out_l", CLIENT + ":out_r"], "jack_rec.log")
        self.dump_file = os.path.join(self.artifacts, "midi-dump.txt")
        self.dump = self.start(["jack_midi_dump", "-a", "quelvar-monitor"], "midi-dump.err",
                               stdout=open(self.dump_file, "wb"))
        self.wait_for("the MIDI monitor", lambda: self.tool(
            "jack_connect", CLIENT + ":midi_out", "quelvar-monitor:input")[0] == 0
            or self.connected(CLIENT + ":midi_out", "quelvar-monitor"), 10)
        self.wait_for("the recorder", lambda: self.connected(CLIENT + ":out_l", "jackrec"), 10)

    def transport(self, *commands):
        t = self.start(["jack_transport"], "jack_transport.log", stdin=subprocess.PIPE)
        t.stdin.write(("".join(c + "\n" for c in commands) + "quit\n").encode())
        t.stdin.close()
        t.wait(10)

    def read_capture(self):
        self.rec.wait(SECONDS + 15)
        with wave.open(self.wav) as w:
            if w.getnchannels() != 2 or w.getsampwidth() != 4:
                raise AssertionError("jack_rec wrote %d channels of %d bytes"
                                     % (w.getnchannels(), w.getsampwidth()))
            frames = np.frombuffer(w.readframes(w.getnframes()), "<i4").reshape(-1, 2)
        return frames.astype(np.float64) / 2.0 ** 31

    def stop_jalv(self):
        code = self.stop(self.jalv, 15.0)
        if code not in (0, -15):
            raise AssertionError("jalv ended with %s" % code)


def play_and_capture(run):
    run.record()
    run.transport("locate 0", "play")
    audio = run.read_capture()
    run.transport("stop")
    run.stop_jalv()
    notes = run.dumped_note_ons()
    print("MIDI out note-ons:", [n for _, n in notes][:20])
    return audio, notes


def host_transport(run):
    audio, notes = play_and_capture(run)
    if [n for _, n in notes][:15] != e2e.DEFAULT_NOTE_ONS:
        raise AssertionError("MIDI out did not carry the default pattern")
    left, right = audio[:, 0], audio[:, 1]
    if np.max(np.abs(left)) < 0.05:
        raise AssertionError("nothing was heard")
    if np.max(np.abs(left - right)) > 1e-3 * np.max(np.abs(left)):
        raise AssertionError("the outputs differ")
    onset = int(np.argmax(np.abs(left) > 1e-4))
    e2e.check_pattern(left.astype(np.float32), onset, e2e.STEP)
    # Note-ons a step apart in JACK time: their frames (from jack_midi_dump) advance by steps.
    times = np.array([t for t, _ in notes[:15]], dtype=float)
    steps = np.array(e2e.NOTE_ON_STEPS[:len(times)], dtype=float)
    slope = np.polyfit(steps, times, 1)[0]
    print("step length %.1f frames (expected %.1f)" % (slope, e2e.STEP))
    if abs(slope / e2e.STEP - 1.0) > 0.01:
        raise AssertionError("the steps do not follow the transport's tempo")


def preset(run):
    # jalv reads a preset's data only once its console has listed the presets.
    run.console("presets")
    listed = run.control_listings()
    run.console("preset https://brontavell.example/quelvar/lv2/presets#mud-pump")
    run.wait_for("the preset", lambda: run.control_listings() > listed, 20)
    audio, notes = play_and_capture(run)
    if [n for _, n in notes][:5] != MUD_PUMP_NOTE_ONS:
        raise AssertionError("the preset's line did not play")
    if np.max(np.abs(audio[:, 0])) < 0.05:
        raise AssertionError("nothing was heard")


SCENARIOS = {"hostTransport": host_transport, "preset": preset}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--lv2-path", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    missing = [t for t in NEEDS if not shutil.which(t)]
    if missing:
        print("SKIP: missing " + " ".join(missing))
        return e2e.SKIP_OR_FAIL
    run = JalvRun(argparse.Namespace(scenario="jalv-" + args.scenario,
                                     artifacts=args.artifacts))

    def scenario(r):
        r.start_jack()
        r.start_jalv(args.lv2_path)
        SCENARIOS[args.scenario](r)

    return e2e.run_scenario(run, scenario)


if __name__ == "__main__":
    sys.exit(main())
