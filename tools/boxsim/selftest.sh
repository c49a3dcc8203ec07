#!/bin/sh
# Self-check of boxsim, end to end over the pty and TCP: the link, the control
# commands and identification (selftest_basic.py), then settings, commands
# without reply, the boot loader, faults and pacing (selftest_box.py).
# Usage: selftest.sh [path/to/boxsim]   (default /tmp/boxsim-build/boxsim)
bin=${1:-/tmp/boxsim-build/boxsim}
dir=$(dirname "$0")
export PYTHONDONTWRITEBYTECODE=1
python3 "$dir/selftest_basic.py" "$bin" && python3 "$dir/selftest_box.py" "$bin" && echo "boxsim selftest: PASS"
