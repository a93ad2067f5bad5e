#!/bin/sh
# Fails when the render-path folders use raw allocation, locks, threads or Qt.
cd "$1" || exit 2
hits=$(grep -rnE '\bmalloc\(|<mutex>|<thread>|<condition_variable>|#include <Q' dsp engine sequencer effects 2>/dev/null)
if [ -n "$hits" ]; then
    echo "$hits"
    exit 1
fi
exit 0
