#!/bin/sh
# Runs one end-to-end scenario with Debian's python3 and numpy; skips (77) without them.
if ! /usr/bin/python3 -c "import numpy" >/dev/null 2>&1; then
    echo "SKIP: /usr/bin/python3 with numpy is missing"
    exit 77
fi
exec /usr/bin/python3 "$(dirname "$0")/endToEnd.py" "$@"
