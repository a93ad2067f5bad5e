#!/usr/bin/python3
"""End-to-end runs of quelvar-standalone without a sound card or MIDI hardware.

Each run starts its own Xvfb, a JACK dummy server (which plays at real time), and the program.
The sound is captured either through an ALSA configuration whose default PCM is the file plugin
in front of ALSA's jack PCM, stored as the program's device (so the file holds exactly the
samples the program played), or from the program's own JACK ports by quelvar-jack-record. MIDI
reaches the program over JACK MIDI from quelvar-midi-send; the program's virtual output is
recorded with jack_midi_dump.
Every process is stopped by its id and every wait is bounded. Exit 77 means "skipped" (never with CI=true).
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zlib

import numpy as np

SKIP = 77
# On the CI path a missing tool means a missing install step: fail instead of skipping.
SKIP_OR_FAIL = 1 if os.environ.get("CI") == "true" else SKIP
RATE = 44100
STEP = RATE * 60.0 / 120.0 / 4.0  # one sixteenth at 120 BPM, in frames

# The program's JACK ports.
AUDIO_PORTS = ["Quelvar:out_0", "Quelvar:out_1"]
VIRTUAL_OUTPUT = "Quelvar MIDI:Quelvar Virtual MIDI Out"
MIDI_INPUT = "Quelvar MIDI:MIDI In"

# The default pattern's notes as MIDI notes; step 2 is tied to step 1 by a slide.
DEFAULT_PATTERN = [48, 50, 50, 49, 47, 51, 50, 49, 51, 48, 43, 51, 47, 51, 53, 47]
NOTE_ON_STEPS = [0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15]
SLID_INTO = {5, 10, 15}  # steps 4, 9 and 14 slide into them
DEFAULT_NOTE_ONS = [DEFAULT_PATTERN[s] for s in NOTE_ON_STEPS]


class Skip(Exception):
    pass


def frequency(midi_note):
    # The voice sounds MIDI note m two octaves below its standard pitch (MIDI 48: 65.4 Hz).
    return 440.0 * 2.0 ** ((midi_note - 81) / 12.0)


def fundamental(x, sr=RATE, low=35.0, high=1000.0):
    x = x - np.mean(x)
    if np.max(np.abs(x)) < 1e-6:
        return 0.0
    n = len(x)
    spectrum = np.fft.rfft(x, 2 * n)
    ac = np.fft.irfft(np.abs(spectrum) ** 2)[:n]
    lo, hi = int(sr / high), int(sr / low)
    lags = ac[lo:hi]
    best = np.max(lags)
    # The shortest period that is nearly as strong as the best: no sub-octave mistakes.
    for i in range(1, len(lags) - 1):
        if lags[i] >= 0.9 * best and lags[i] >= lags[i - 1] and lags[i] >= lags[i + 1]:
            k = i
            break
    else:
        k = int(np.argmax(lags))
    lag = lo + k
    if 0 < k < len(lags) - 1:  # parabolic refinement
        a, b, c = lags[k - 1], lags[k], lags[k + 1]
        lag += 0.5 * (a - c) / (a - 2 * b + c)
    return sr / lag


def timing_errors(times, step_frames):
    """For each two successive note-ons of the default pattern: how far, in frames, their
    distance is from the exact number of steps between them. An overrun of a loaded machine
    moves the notes after it with their sound, and only the pair across it."""
    steps = np.array([NOTE_ON_STEPS[i % 15] + 16 * (i // 15) for i in range(len(times))])
    return np.abs(np.diff(np.asarray(times, dtype=float)) - np.diff(steps) * step_frames)


def check_timing(times, step_frames, frames, label=""):
    errors = timing_errors(times, step_frames)
    share = float(np.mean(errors <= frames))
    print("%sMIDI out timing: successive note-ons %.1f frames from their steps (median), %d%% "
          "within %g frames, largest %.0f" % (label, np.median(errors), 100 * share, frames,
                                             np.max(errors)))
    if share < 0.75:
        raise AssertionError("the notes left away from their frames: %s" % errors.astype(int))


def periodicity(x, f, sr=RATE, tolerance=0.03):
    """Normalised autocorrelation of x at the period of f (best lag within the tolerance)."""
    x = x - np.mean(x)
    energy = float(np.dot(x, x))
    if energy <= 0.0:
        return 0.0
    n = len(x)
    ac = np.fft.irfft(np.abs(np.fft.rfft(x, 2 * n)) ** 2)[:n]
    lag = sr / f
    lo, hi = int(lag * (1 - tolerance)), int(np.ceil(lag * (1 + tolerance))) + 1
    # Unbiased: each lag is normalised by the overlap it has.
    return float(np.max(ac[lo:hi] / (n - np.arange(lo, hi)) * n / energy))


def near(f, target, tolerance=0.03):
    return abs(f / target - 1.0) < tolerance


class Run:
    def __init__(self, args):
        self.args = args
        self.name = args.scenario
        self.processes = []
        self.conf = []
        self.tmp = tempfile.mkdtemp(prefix="quelvar-e2e-")
        self.home = os.path.join(self.tmp, "home")
        os.makedirs(self.home)
        runtime = os.path.join(self.tmp, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.artifacts = os.path.join(args.artifacts, self.name)
        shutil.rmtree(self.artifacts, ignore_errors=True)
        os.makedirs(self.artifacts)
        self.capture = os.path.join(self.artifacts, "capture.raw")
        # One server name per build tree: a server that died without unregistering leaves its
        # slot in JACK's registry of eight, and only a server of the same name reclaims it.
        self.server = "quelvar-e2e-%08x" % (zlib.crc32(os.path.abspath(args.artifacts).encode()))
        self.env = dict(os.environ)
        for k in ("DISPLAY", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "ALSA_CONFIG_PATH",
                  "QT_QPA_PLATFORM"):
            self.env.pop(k, None)
        self.env.update(HOME=self.home, XDG_RUNTIME_DIR=runtime, JACK_NO_START_SERVER="1",
                        JACK_DEFAULT_SERVER=self.server)

    # Processes.
    def start(self, argv, log, **kw):
        out = open(os.path.join(self.artifacts, log), "wb")
        p = subprocess.Popen(argv, env=self.env, stdout=kw.pop("stdout", out), stderr=out, **kw)
        self.processes.append(p)
        return p

    def stop(self, p, timeout=10.0):
        if p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(timeout)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait(5)
        return p.returncode

    def close(self):
        for p in reversed(self.processes):
            if p.poll() is None:
                self.stop(p, 10.0)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def tool(self, *argv, timeout=10.0):
        r = subprocess.run(argv, env=self.env, capture_output=True, timeout=timeout)
        return r.returncode, r.stdout.decode(errors="replace")

    def wait_for(self, what, check, timeout):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if check():
                return
            time.sleep(0.1)
        raise AssertionError("timed out waiting for " + what)

    # Servers.
    def start_x(self):
        read, write = os.pipe()
        # -noreset: the polling xwininfo is often the only client, and a server resetting as it
        # leaves can drop the program's connection made at that moment.
        self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                    "-nolisten", "tcp", "-noreset"], "xvfb.log", pass_fds=(write,))
        os.close(write)
        display = b""
        end = time.monotonic() + 15
        while not display.endswith(b"\n") and time.monotonic() < end:
            import select
            ready, _, _ = select.select([read], [], [], 0.5)
            if ready:
                chunk = os.read(read, 16)
                if not chunk:
                    break
                display += chunk
        os.close(read)
        if not display.strip():
            raise AssertionError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display.decode().strip()

    def start_jack(self, rate=RATE, playback_ports=2):
        self.jackd = self.start(["jackd", "-n", self.server, "--no-realtime", "-d", "dummy",
                                 "-r", str(rate), "-p", "512", "-P", str(playback_ports)],
                                "jackd.log")
        code, _ = self.tool("jack_wait", "-w", "-t", "10", timeout=15)
        if code != 0:
            raise AssertionError("jackd did not start")

    def alsa_capture(self, slave):
        conf = os.path.join(self.tmp, "asound.conf")
        with open(conf, "w") as f:
            f.write('pcm.!default { type plug; slave { pcm "cap"; format FLOAT_LE; rate %d; '
                    'channels 2 } }\n' % RATE)
            f.write('pcm.cap { type file; slave.pcm "%s"; file "%s"; format "raw" }\n'
                    % (slave, self.capture))
            f.write('pcm.jout { type jack; playback_ports { 0 system:playback_1 '
                    '1 system:playback_2 } }\n')
        self.env["ALSA_CONFIG_PATH"] = "/usr/share/alsa/alsa.conf:" + conf
        # Beside a JACK server the program would play on JACK itself.
        self.settings("[audioOutputDevice]\nname=default\ntype=8\n")

    def record(self, name):
        """Records the program's JACK ports from now until stop_recording."""
        self.capture = os.path.join(self.artifacts, name)
        self.recorder = self.start([self.args.recorder, "qvrec", self.capture] + AUDIO_PORTS,
                                   "recorder.err", stdout=subprocess.PIPE)
        if self.recorder.stdout.readline().decode().strip() != "ready":
            raise AssertionError("the recorder did not start")

    def stop_recording(self):
        if self.stop(self.recorder) != 0:
            raise AssertionError("the recorder failed")

    # The program's stored state.
    def settings(self, text):
        folder = os.path.join(self.home, ".config", "Brontavell")
        os.makedirs(folder, exist_ok=True)
        self.conf.append(text)
        with open(os.path.join(folder, "Quelvar.conf"), "w") as f:
            f.write("\n".join(self.conf))

    def start_with_midi_input(self, more_settings=""):
        """X, JACK with the capture in front of it, and the MIDI sender the program listens to."""
        self.start_x()
        self.start_jack()
        self.alsa_capture("jout")
        self.start_sender()
        self.settings("[midiInDevice]\n1\\name=qvsend:out\nsize=1\n" + more_settings)

    def state(self, sync_mode):
        folder = os.path.join(self.home, ".local", "share", "Brontavell", "Quelvar")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "state.b303")
        subprocess.run([self.args.state_writer, path, str(sync_mode)], check=True, timeout=20)
        return path

    def start_program(self, *files, log="program.log"):
        self.program = self.start([self.args.program] + list(files), log)
        try:
            self.wait_for("the window", self.window, 20)
        except AssertionError:
            with open(os.path.join(self.artifacts, "windows.txt"), "w") as f:
                f.write(self.tool("xwininfo", "-root", "-tree")[1])
            raise

    def dialogs(self):
        """Sizes of the program's top-level windows besides the main window and its panel (as
        wide as the window): its dialogs."""
        _, out = self.tool("xwininfo", "-root", "-children")
        return [(int(w), int(h)) for w, h in
                re.findall(r'^\s*0x[0-9a-f]+ "[^"]*": \("quelvar-standalone".*?(\d+)x(\d+)\+',
                           out, re.M)
                if int(w) > 10 and int(w) != self.window_size[0]]

    def click_panel(self, x, y):
        """A click at panel coordinates; the panel ends at the window's bottom edge."""
        x0, y0 = self.window_origin()
        self.tool("xdotool", "mousemove", str(x0 + x),
                  str(y0 + self.window_size[1] - (437 - y)), "click", "1")
        time.sleep(0.3)

    def window(self):
        # The main window (its title ends with the program's name, after the pattern), not Qt's
        # hidden 1 x 1 client-leader window named "Quelvar"; found once it is shown, since a
        # click on a window not yet mapped lands on the root window.
        _, out = self.tool("xwininfo", "-root", "-tree")
        for m in re.finditer(r'^\s*(0x[0-9a-f]+) ".*Quelvar": .*?(\d+)x(\d+)\+', out, re.M):
            if int(m.group(2)) == 621 and "Map State: IsViewable" in self.tool(
                    "xwininfo", "-id", m.group(1))[1]:
                self.window_id = m.group(1)
                self.window_size = (int(m.group(2)), int(m.group(3)))
                return self.window_id
        return None

    def window_origin(self):
        _, out = self.tool("xwininfo", "-id", self.window_id)
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", out).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", out).group(1))
        return x, y

    def screenshot(self):
        self.tool("import", "-window", "root", os.path.join(self.artifacts, "screen.png"),
                  timeout=20)

    def stop_program(self):
        code = self.stop(self.program, 15.0)
        if code != 0:
            raise AssertionError("the program ended with %s" % code)

    def connected(self, port, to=None):
        _, out = self.tool("jack_lsp", "-c", port)
        lines = [l.strip() for l in out.splitlines()[1:]]
        return bool(lines) and (to is None or any(to in l for l in lines))

    def monitor_virtual_output(self, name="midi-dump.txt"):
        self.dump_file = os.path.join(self.artifacts, name)
        self.dump = self.start(["jack_midi_dump", "-a", "quelvar-monitor"], "midi-dump.err",
                               stdout=open(self.dump_file, "wb"))
        port = VIRTUAL_OUTPUT
        self.wait_for("the monitor", lambda: self.tool("jack_connect", port,
                                                       "quelvar-monitor:input")[0] == 0
                      or self.connected(port, "quelvar-monitor"), 10)

    def dumped_note_ons(self):
        self.stop(self.dump)
        notes = []
        with open(self.dump_file) as f:
            for line in f:
                m = re.match(r"\s*(-?\d+):((?: [0-9a-fA-F]{2})+)", line)
                if not m:
                    continue
                b = [int(v, 16) for v in m.group(2).split()]
                if len(b) == 3 and b[0] == 0x90 and b[2] > 0:
                    notes.append((int(m.group(1)), b[1]))
        return notes

    def start_sender(self):
        self.sender = self.start([self.args.sender, "qvsend"], "sender.err",
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        line = self.sender.stdout.readline().decode().strip()
        if line != "ready":
            raise AssertionError("the MIDI sender did not start")

    def play(self, script, timeout):
        self.sender.stdin.write(script.encode())
        self.sender.stdin.close()
        self.sender.wait(timeout)

    def read_capture(self):
        if not os.path.exists(self.capture):
            raise AssertionError("nothing was captured")
        data = np.fromfile(self.capture, dtype="<f4")
        data = data[: len(data) // 2 * 2].reshape(-1, 2)
        if len(data) == 0:
            raise AssertionError("nothing was captured")
        if not np.array_equal(data[:, 0], data[:, 1]):
            # Mono voice and distortion: both channels carry the same samples.
            raise AssertionError("left and right differ")
        return data[:, 0]


def bursts(x, threshold_ratio=0.05, hop=441, min_gap=2205):
    """(start, end) frames of the stretches where the 10 ms level exceeds the threshold.

    A low note's period is longer than a hop (43: 900 frames), and late in a decaying note the
    quiet half of a period can fall below the threshold; gaps shorter than min_gap (50 ms, far
    below any gap between notes here) therefore join the stretches on either side."""
    n = len(x) // hop
    level = np.sqrt(np.mean(x[: n * hop].reshape(n, hop) ** 2, axis=1))
    on = level > threshold_ratio * np.max(level)
    out, start = [], None
    for i, v in enumerate(on):
        if v and start is None:
            start = i
        elif not v and start is not None:
            out.append((start * hop, i * hop))
            start = None
    if start is not None:
        out.append((start * hop, n * hop))
    joined = []
    for a, b in out:
        if joined and a - joined[-1][1] < min_gap:
            joined[-1] = (joined[-1][0], b)
        else:
            joined.append((a, b))
    return joined


def midi_in(run):
    run.start_with_midi_input()
    run.state(2)
    run.start_program()
    run.wait_for("the program's MIDI input", lambda: run.connected("qvsend:out"), 10)
    run.screenshot()
    notes = [48, 55, 60, 43]
    run.play("wait 300\n" + "".join("note %d 100 300 300\n" % n for n in notes), 20)
    time.sleep(0.5)
    run.stop_program()
    x = run.read_capture()
    found = bursts(x)
    print("bursts:", [(a, b - a) for a, b in found])
    if len(found) != len(notes):
        raise AssertionError("expected %d notes, heard %d" % (len(notes), len(found)))
    for (a, b), note in zip(found, notes):
        length = (b - a) / RATE
        segment = x[a + 2000: a + 8000]
        f = fundamental(segment)
        score = periodicity(segment, frequency(note))
        print("note %d: %.3f s, about %.1f Hz, periodicity %.2f at %.1f Hz"
              % (note, length, f, score, frequency(note)))
        if not 0.25 < length < 0.40:
            raise AssertionError("note %d lasted %.3f s" % (note, length))
        if not near(f, frequency(note)):
            raise AssertionError("note %d sounded at %.1f Hz" % (note, f))


def brightness(x, sr=RATE):
    """Spectral centroid in Hz: where the energy of the spectrum balances."""
    x = (x - np.mean(x)) * np.hanning(len(x))
    power = np.abs(np.fft.rfft(x)) ** 2
    freqs = np.fft.rfftfreq(len(x), 1.0 / sr)
    total = float(np.sum(power))
    return float(np.sum(freqs * power) / total) if total > 0.0 else 0.0


def midi_cc(run):
    """A controller moved over JACK MIDI moves the cutoff as the panel's knob would: the same
    note played after CC 74 at 10, 64 and 120 sounds brighter each time."""
    run.start_with_midi_input()
    run.state(2)
    run.start_program()
    run.wait_for("the program's MIDI input", lambda: run.connected("qvsend:out"), 10)
    values = [10, 64, 120]
    run.play("wait 300\n" + "".join("cc 74 %d\nwait 100\nnote 36 100 400 300\n" % v
                                      for v in values), 20)
    time.sleep(0.5)
    run.screenshot()
    run.stop_program()
    x = run.read_capture()
    found = bursts(x)
    print("bursts:", [(a, b - a) for a, b in found])
    if len(found) != len(values):
        raise AssertionError("expected %d notes, heard %d" % (len(values), len(found)))
    centroids = [brightness(x[a + 1000: a + 9000]) for a, _ in found]
    print("brightness after CC 74 =", ", ".join("%d: %.0f Hz" % (v, c)
                                                for v, c in zip(values, centroids)))
    for (lower, higher) in zip(centroids, centroids[1:]):
        if not higher > 1.3 * lower:
            raise AssertionError("the cutoff did not follow CC 74: %s" % centroids)


def check_pattern(x, start, step_frames, sr=RATE):
    """Each step of the default pattern that is not reached by a slide repeats, early in the
    step (before its gate closes), at the period of its note. Slid-into steps are still gliding
    there and are not judged."""
    scores = []
    for k, note in enumerate(DEFAULT_PATTERN):
        if k in SLID_INTO:
            continue
        a = int(start + (k + 0.1) * step_frames)
        scores.append(periodicity(x[a: a + int(0.35 * step_frames)], frequency(note), sr))
    hits = sum(v > 0.45 for v in scores)
    print("step periodicity:", ["%.2f" % v for v in scores], "matching", hits)
    if hits < len(scores) - 1:
        raise AssertionError("only %d of %d steps play the default pattern" % (hits, len(scores)))


def internal_play(run):
    if not shutil.which("xdotool"):
        raise Skip("xdotool is missing")
    run.start_x()
    run.start_jack()
    run.alsa_capture("jout")
    run.state(1)
    run.start_program()
    run.monitor_virtual_output()
    time.sleep(0.5)
    # The panel's "play" button: 231-293 across, 358-390 down in the 437 pixels of the panel,
    # which ends at the window's bottom edge.
    x0, y0 = run.window_origin()
    height = run.window_size[1]
    run.tool("xdotool", "mousemove", str(x0 + 262), str(y0 + height - (437 - 374)), "click", "1")
    time.sleep(3.0)
    run.screenshot()
    run.stop_program()
    notes = run.dumped_note_ons()
    print("virtual output note-ons:", [n for _, n in notes][:20])
    if [n for _, n in notes][:15] != DEFAULT_NOTE_ONS:
        raise AssertionError("the virtual output did not carry the default pattern")
    # Played through ALSA, whose callbacks do not keep JACK's period: the notes still leave at
    # their frames, within the half frame a step of 5512.5 frames rounds to and a frame or two.
    check_timing([t for t, _ in notes], STEP, 3)
    x = run.read_capture()
    onset = int(np.argmax(np.abs(x) > 1e-4))
    check_pattern(x, onset, STEP)


def midi_clock(run):
    run.start_with_midi_input()
    run.start_program()  # no state: host sync, which follows the MIDI clock
    run.monitor_virtual_output()
    run.wait_for("the program's MIDI input", lambda: run.connected("qvsend:out"), 10)
    bpm = 150
    run.play("wait 300\nstart\nclock %d 16\nstop\nwait 1500\n" % bpm, 30)
    run.screenshot()
    run.stop_program()
    notes = run.dumped_note_ons()
    times = np.array([t for t, _ in notes], dtype=float)
    print("virtual output:", [n for _, n in notes])
    if len(notes) < 30:
        raise AssertionError("the sequencer played %d notes in 16 beats" % len(notes))
    # After the first beat the tempo is measured: sixteenths of 150 BPM, 4410 frames.
    pitch = [n for _, n in notes]
    if pitch[:15] != DEFAULT_NOTE_ONS:
        raise AssertionError("the sequencer did not play the default pattern")
    # Note-on i belongs to a known step of the pattern; the slope of frame against step is the
    # step length. The first beat runs before the tempo is measured, so it is left out, and a
    # slope over many steps does not care that notes leave the program block by block.
    steps = np.array([NOTE_ON_STEPS[i % 15] + 16 * (i // 15) for i in range(len(times))])
    slope = np.polyfit(steps[8:], times[8:], 1)[0]
    step = RATE * 60.0 / bpm / 4.0
    print("step length %.0f frames (%d BPM: %.0f)" % (slope, bpm, step))
    if abs(slope / step - 1.0) > 0.02:
        raise AssertionError("the sequencer did not follow the %d BPM clock" % bpm)
    x = run.read_capture()
    on = bursts(x, 0.02)
    end = on[-1][1] / RATE
    first = on[0][0] / RATE
    print("sound from %.2f s to %.2f s" % (first, end))
    played = 16 * 60.0 / bpm
    if not played - 0.6 < end - first < played + 0.6:
        raise AssertionError("the sequencer did not stop with the clock")


def no_servers(run):
    if not shutil.which("xdotool"):
        raise Skip("xdotool is missing")
    run.start_x()
    # No JACK server: the file plugin runs into the null PCM, which has no clock, so a small
    # sink keeps only a summary of what it is fed instead of gigabytes.
    sink = os.path.join(run.tmp, "sink.py")
    with open(sink, "w") as f:
        f.write("import sys, numpy as np\npeak, n = 0.0, 0\n"
                "while True:\n    b = sys.stdin.buffer.read(1 << 20)\n    if not b: break\n"
                "    v = np.frombuffer(b[: len(b) // 4 * 4], '<f4')\n"
                "    n += len(v)\n    peak = max(peak, float(np.max(np.abs(v))) if len(v) else 0.0)\n"
                "open(sys.argv[1], 'w').write('%d %f' % (n, peak))\n")
    summary = os.path.join(run.artifacts, "capture-summary.txt")
    run.capture = "|/usr/bin/python3 %s %s" % (sink, summary)
    run.alsa_capture("null")
    run.state(2)
    run.start_program()
    # No window manager: the window gets the keyboard focus from the test.
    x0, y0 = run.window_origin()
    run.tool("xdotool", "mousemove", str(x0 + 300), str(y0 + 200))
    run.tool("xdotool", "windowfocus", "--sync", str(int(run.window_id, 16)))
    # Generous pauses: on a loaded machine the program takes its time to act on each key.
    time.sleep(0.5)
    run.tool("xdotool", "key", "F10")
    time.sleep(0.5)
    run.tool("xdotool", "keydown", "w")
    time.sleep(1.0)
    run.tool("xdotool", "keyup", "w")
    run.screenshot()
    run.stop_program()
    run.wait_for("the capture summary", lambda: os.path.exists(summary), 10)
    frames, peak = open(summary).read().split()
    print("captured %s samples, peak %s" % (frames, peak))
    if float(peak) < 0.01:
        raise AssertionError("the keyboard note was not heard")


def servers_gone(run):
    """A MIDI port that vanishes and then a sound server that dies under a playing program: it
    goes on, says what happened, keeps its settings and quits cleanly."""
    run.start_with_midi_input("\n[options]\nmidiApi=JACK\n")
    run.state(2)
    run.start_program()
    run.wait_for("the program's MIDI input", lambda: run.connected("qvsend:out"), 10)
    conf = os.path.join(run.home, ".config", "Brontavell", "Quelvar.conf")
    kept = ("audioOutputDevice", "midiInDevice", "midiApi")

    def stored():
        with open(conf) as f:
            return sorted(l.strip() for l in f if l.strip() and any(k in l for k in kept))

    before = stored()
    # The sender plays a note and quits: its port goes while connected.
    run.play("note 48 100 300 100\n", 10)
    time.sleep(1.0)
    if run.program.poll() is not None:
        raise AssertionError("the program ended when its MIDI port went away")
    run.jackd.kill()
    run.jackd.wait(10)
    time.sleep(5.0)
    if run.program.poll() is not None:
        raise AssertionError("the program ended with %s when the sound server went away"
                             % run.program.returncode)
    if not run.window():
        raise AssertionError("the window is gone")
    run.screenshot()
    run.stop_program()
    with open(os.path.join(run.artifacts, "program.log"), errors="replace") as f:
        log = f.read()
    if "audio output stopped" not in log:
        raise AssertionError("the program did not report the lost audio output")
    if stored() != before:
        raise AssertionError("the settings changed: %s -> %s" % (before, stored()))
    print("the program outlived its MIDI port and its sound server, said so and kept %s"
          % before)


def midi_port_later(run):
    """The chosen MIDI input is not there at start; when it appears the program connects to it,
    never to its own virtual output, and plays what it sends."""
    run.start_x()
    run.start_jack()
    run.alsa_capture("jout")
    run.settings("[midiInDevice]\n1\\name=qvsend:out\nsize=1\n")
    run.state(2)
    run.start_program()
    time.sleep(1.0)
    run.start_sender()
    run.wait_for("the program to connect to the new port", lambda: run.connected("qvsend:out"),
                 10)
    own = VIRTUAL_OUTPUT
    if run.connected(own, MIDI_INPUT):
        raise AssertionError("the program's virtual output is connected to its own input")
    run.play("wait 300\nnote 48 100 300 300\n", 10)
    time.sleep(0.3)
    run.screenshot()
    run.stop_program()
    found = bursts(run.read_capture())
    print("bursts:", [(a, b - a) for a, b in found])
    if len(found) != 1:
        raise AssertionError("expected the note from the new port, heard %d" % len(found))


def newcomer(run):
    """A fresh home beside a JACK server at 48 kHz, no device chosen: clicking " internal" and
    play is enough to hear the default pattern, played by the JACK clients "Quelvar" and
    "Quelvar MIDI", whose virtual output sends each note at its frame. After a restart play alone
    plays it again. No dialog shows at any time."""
    if not shutil.which("xdotool"):
        raise Skip("xdotool is missing")
    rate = 48000
    step = rate * 60.0 / 120.0 / 4.0  # 6000 frames: the grid is exact
    run.start_x()
    run.start_jack(rate)
    for start, clicks in enumerate([[(500, 37), (262, 374)], [(262, 374)]]):
        run.record("capture-%d.raw" % start)
        run.start_program(log="program-%d.log" % start)
        run.monitor_virtual_output("midi-dump-%d.txt" % start)
        time.sleep(1.0)
        run.screenshot()
        shutil.copy(os.path.join(run.artifacts, "screen.png"),
                    os.path.join(run.artifacts, "start-%d.png" % start))
        _, listed = run.tool("jack_lsp")
        ports = listed.split()
        clients = sorted({p.split(":")[0] for p in listed.splitlines()} - {"system", "qvrec",
                                                                           "quelvar-monitor"})
        print("JACK clients besides the test's:", clients)
        if clients != ["Quelvar", "Quelvar MIDI"] or not all(
                p in listed.splitlines() for p in AUDIO_PORTS + [VIRTUAL_OUTPUT, MIDI_INPUT]):
            raise AssertionError("the program's JACK ports are %s" % ports)
        for x, y in clicks:
            run.click_panel(x, y)
        # Off the window: a tooltip is not a dialog.
        run.tool("xdotool", "mousemove", "1020", "760")
        time.sleep(3.0)
        if run.dialogs():
            raise AssertionError("a dialog showed: %s" % run.dialogs())
        run.stop_program()
        run.stop_recording()
        notes = run.dumped_note_ons()
        if [n for _, n in notes][:15] != DEFAULT_NOTE_ONS:
            raise AssertionError("the virtual output did not carry the default pattern")
        check_timing([t for t, _ in notes], step, 2, "start %d: " % (start + 1))
        x = run.read_capture()
        onset = int(np.argmax(np.abs(x) > 1e-4))
        if onset == 0 and abs(x[0]) <= 1e-4:
            raise AssertionError("start %d gave no sound" % (start + 1))
        check_pattern(x, onset, step, rate)


def signal_with_dialogs(run):
    """SIGTERM while dialogs are stacked (no sound device at all, and a file that cannot be
    opened, given at start) ends the program at once, and the state is saved."""
    run.start_x()
    junk = os.path.join(run.tmp, "junk.303")
    with open(junk, "wb") as f:
        f.write(os.urandom(100))
    run.start_program(junk)
    run.wait_for("two dialogs", lambda: len(run.dialogs()) >= 2, 10)
    run.screenshot()
    run.program.send_signal(signal.SIGTERM)
    try:
        code = run.program.wait(10)
    except subprocess.TimeoutExpired:
        raise AssertionError("SIGTERM was ignored while dialogs were open")
    if code != 0:
        raise AssertionError("the program ended with %s" % code)
    path = os.path.join(run.home, ".local", "share", "Brontavell", "Quelvar", "state.b303")
    if not os.path.exists(path):
        raise AssertionError("the state was not saved")


def command_line(run):
    """--help and --version answer without a display; an unknown option is an error, while
    Qt's own options pass."""
    code, out = run.tool(run.args.program, "--help")
    if code != 0 or not out.startswith("Usage: quelvar-standalone"):
        raise AssertionError("--help gave %s: %s" % (code, out))
    code, out = run.tool(run.args.program, "--version")
    if code != 0 or not re.fullmatch(r"quelvar-standalone \d+\.\d+\.\d+\nbuild \S+.*\n", out):
        raise AssertionError("--version gave %s: %s" % (code, out))
    r = subprocess.run([run.args.program, "-platform", "offscreen", "--no-such-option"],
                       env=run.env, capture_output=True, timeout=10)
    if r.returncode != 2 or b"unknown option '--no-such-option'" not in r.stderr:
        raise AssertionError("an unknown option gave %s: %s" % (r.returncode, r.stderr))


def audio_reconnect(run):
    """A new buffer size reopens the JACK stream: its ports keep their names and the
    connections the user made, not those a new stream gets."""
    if not shutil.which("xdotool"):
        raise Skip("xdotool is missing")
    run.start_x()
    run.start_jack(48000, playback_ports=4)
    run.start_program()
    run.wait_for("the audio ports", lambda: run.connected(AUDIO_PORTS[1]), 10)
    # The user moves the sound to the third and fourth playback ports.
    for i, port in enumerate(AUDIO_PORTS):
        run.tool("jack_disconnect", port, "system:playback_%d" % (i + 1))
        run.tool("jack_connect", port, "system:playback_%d" % (i + 3))

    def ours():
        _, out = run.tool("jack_lsp", "-c", "Quelvar:")
        return out

    before = ours()
    # The toolbar's first button opens the Audio page; four tabs lead to the buffer size.
    x0, y0 = run.window_origin()
    run.tool("xdotool", "mousemove", str(x0 + 28), str(y0 + run.window_size[1] - 437 - 14),
             "click", "1")
    run.wait_for("the configuration dialog", lambda: run.dialogs(), 10)
    _, out = run.tool("xwininfo", "-root", "-children")
    dialog = re.search(r'^\s*(0x[0-9a-f]+) "Configuration"', out, re.M).group(1)
    run.tool("xdotool", "windowfocus", "--sync", str(int(dialog, 16)))
    run.tool("xdotool", "key", "Tab", "Tab", "Tab", "Tab", "Down")
    conf = os.path.join(run.home, ".config", "Brontavell", "Quelvar.conf")
    run.wait_for("the new buffer size", lambda: os.path.exists(conf)
                 and "bufferSize=1024" in open(conf).read(), 10)
    time.sleep(0.5)
    run.screenshot()
    after = ours()
    run.stop_program()
    print("before:", before.split(), "after:", after.split())
    if after != before:
        raise AssertionError("the ports changed from %s to %s" % (before.split(), after.split()))


def second_start(run):
    """A second start with a file hands the file to the running program and ends; the running
    one opens it, and it is what the state saved at exit holds."""
    run.start_x()
    run.start_jack()
    run.alsa_capture("jout")
    run.state(1)
    run.start_program()
    factory = os.path.join(run.home, "Documents", "Brontavell", "Quelvar", "Patterns", "Factory")
    run.wait_for("the factory patterns", lambda: os.path.isdir(factory), 10)
    seven = [f for f in sorted(os.listdir(factory)) if f.startswith("07 ")][0]
    second = run.start([run.args.program, os.path.join(factory, seven)], "second.log")
    try:
        code = second.wait(15)
    except subprocess.TimeoutExpired:
        raise AssertionError("the second start is still running beside the first")
    if code != 0:
        raise AssertionError("the second start ended with %s" % code)
    if run.program.poll() is not None:
        raise AssertionError("the first program ended")
    time.sleep(0.5)
    run.screenshot()
    run.stop_program()
    path = os.path.join(run.home, ".local", "share", "Brontavell", "Quelvar", "state.b303")
    with open(path, "rb") as f:
        state = f.read()
    if b"Wire Tap" not in state:
        raise AssertionError("the running program did not open the handed-over file")
    print("the second start handed %s over and ended" % seven)


SCENARIOS = {"midiIn": midi_in, "midiCc": midi_cc, "internalPlay": internal_play, "midiClock": midi_clock,
             "noServers": no_servers, "serversGone": servers_gone,
             "midiPortLater": midi_port_later, "newcomer": newcomer,
             "secondStart": second_start, "signalWithDialogs": signal_with_dialogs,
             "commandLine": command_line, "audioReconnect": audio_reconnect}
NEEDS = {"midiIn": ["Xvfb", "jackd", "jack_wait", "jack_lsp", "xwininfo", "import"],
         "midiCc": ["Xvfb", "jackd", "jack_wait", "jack_lsp", "xwininfo", "import"],
         "internalPlay": ["Xvfb", "jackd", "jack_wait", "jack_lsp", "jack_connect",
                          "jack_midi_dump", "xwininfo", "import"],
         "midiClock": ["Xvfb", "jackd", "jack_wait", "jack_lsp", "jack_connect",
                       "jack_midi_dump", "xwininfo", "import"],
         "noServers": ["Xvfb", "xwininfo", "import"],
         "serversGone": ["Xvfb", "jackd", "jack_wait", "jack_lsp", "xwininfo", "import"],
         "midiPortLater": ["Xvfb", "jackd", "jack_wait", "jack_lsp", "xwininfo", "import"],
         "newcomer": ["Xvfb", "jackd", "jack_wait", "jack_lsp", "jack_connect", "jack_midi_dump",
                      "xwininfo", "import"],
         "secondStart": ["Xvfb", "jackd", "jack_wait", "xwininfo", "import"],
         "signalWithDialogs": ["Xvfb", "xwininfo", "import"],
         "commandLine": [],
         "audioReconnect": ["Xvfb", "jackd", "jack_wait", "jack_lsp", "jack_connect",
                            "jack_disconnect", "xwininfo", "import"]}


def run_scenario(run, scenario):
    """Runs one scenario, then stops what it started: 0 passed, 1 failed, else skipped."""
    try:
        scenario(run)
    except Skip as e:
        print("SKIP: %s" % e)
        return SKIP_OR_FAIL
    except AssertionError as e:
        print("FAILED: %s (logs in %s)" % (e, run.artifacts))
        return 1
    finally:
        run.close()
    print("passed; artefacts in " + run.artifacts)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--program", required=True)
    parser.add_argument("--sender", required=True)
    parser.add_argument("--state-writer", required=True)
    parser.add_argument("--recorder", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    missing = [t for t in NEEDS[args.scenario] if not shutil.which(t)]
    if missing:
        print("SKIP: missing " + " ".join(missing))
        return SKIP_OR_FAIL
    if "jackd" in NEEDS[args.scenario] and not any(
            os.path.exists(os.path.join(d, "libasound_module_pcm_jack.so"))
            for d in ("/usr/lib/x86_64-linux-gnu/alsa-lib", "/usr/lib/alsa-lib")):
        print("SKIP: the ALSA jack plugin (libasound2-plugins) is missing")
        return SKIP_OR_FAIL
    return run_scenario(Run(args), SCENARIOS[args.scenario])


if __name__ == "__main__":
    sys.exit(main())
