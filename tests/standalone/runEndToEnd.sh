#!/bin/sh
# Runs one end-to-end scenario with Debian's python3 and numpy: endToEnd.py, or the script given
# first. Without them it skips (77) on a developer's machine and fails on the CI path, where it
# means an install step is missing.
if ! /usr/bin/python3 -c "import numpy" >/dev/null 2>&1; then
    echo "SKIP: /usr/bin/python3 with numpy is missing"
    [ "$CI" = true ] && exit 1
    exit 77
fi
script="$(dirname "$0")/endToEnd.py"
case "$1" in
*.py)
    script="$1"
    shift
    ;;
esac
exec /usr/bin/python3 "$script" "$@"
