#!/usr/bin/env python3
# Fails when a source file includes one from a folder above its own in the layer stack:
#   vst2 <- dsp <- sequencer, effects <- io <- engine <- bridge <- plugin, lv2, vst3, clap, ui,
#   standalone, tools
# Folders on one layer do not include each other (ui may use the panel in standalone/panel).
# tests/ and bench/ may include anything; nothing else includes them. The core folders include
# no Qt, PortAudio or RtMidi header.
import os
import re
import subprocess
import sys

LAYERS = {
    "vst2": 0,
    "dsp": 1,
    "sequencer": 2,
    "effects": 2,
    "io": 3,
    "engine": 4,
    "bridge": 5,
    "plugin": 6,
    "lv2": 6,
    "vst3": 6,
    "clap": 6,
    "ui": 6,
    "standalone": 6,
    "tools": 6,
}
ANYTHING = {"tests", "bench"}
SIDEWAYS = {("ui", "standalone/panel")}
CORE = {name for name, layer in LAYERS.items() if layer <= LAYERS["bridge"]}
# Where a quoted include is looked for after the including file's own folder.
SEARCH = ["", "tests", "tools"]
QUOTED = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SYSTEM = re.compile(r'^\s*#\s*include\s*<(Q[A-Za-z]*|portaudio\.h|rtmidi/[^>]*|RtMidi\.h)>')


def folder(path):
    return path.split("/", 1)[0] if "/" in path else "."


def unit(path):
    # The panel is a folder of its own for the one sideways use the programs make of it.
    return "standalone/panel" if path.startswith("standalone/panel/") else folder(path)


SUFFIXES = (".h", ".hpp", ".cpp", ".cc")


def sources(root):
    try:
        listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"],
                                cwd=root, capture_output=True, text=True, check=True).stdout.split()
    except (OSError, subprocess.CalledProcessError):
        # Not a checkout: every source file in the source folders, build trees left out.
        listed = [os.path.relpath(os.path.join(d, f), root)
                  for d, _, files in os.walk(root) for f in files
                  if os.path.relpath(d, root).split(os.sep)[0] in LAYERS.keys() | ANYTHING]
    return [f for f in listed
            if f.endswith(SUFFIXES) and os.path.isfile(os.path.join(root, f))]


def resolve(root, including, name):
    for base in [os.path.dirname(including)] + SEARCH:
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def fault(source, target):
    a, b = folder(source), folder(target)
    if a in ANYTHING or a == b:
        return None
    if b in ANYTHING:
        return "shipped code includes test code"
    if a not in LAYERS or b not in LAYERS:
        return "folder outside the layer stack"
    if LAYERS[b] > LAYERS[a]:
        return "includes a higher layer"
    if LAYERS[b] == LAYERS[a] and (unit(source), unit(target)) not in SIDEWAYS:
        return "includes a folder on its own layer"
    return None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    faults = []
    for source in sources(root):
        with open(os.path.join(root, source), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                where = f"{source}:{number}"
                m = QUOTED.match(line)
                if m:
                    target = resolve(root, source, m.group(1))
                    if target is None:
                        faults.append(f"{where}: \"{m.group(1)}\" not found")
                        continue
                    why = fault(source, target)
                    if why:
                        faults.append(f"{where}: {why}: {target}")
                elif folder(source) in CORE and SYSTEM.match(line):
                    faults.append(f"{where}: the core includes {line.strip()}")
    for line in faults:
        print(line)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
