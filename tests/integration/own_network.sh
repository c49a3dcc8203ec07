#!/bin/sh
# Runs a test program in a network namespace of its own, with only loopback up, so that it may
# add firewall rules without touching the machine's. Needs root (as CI runs), unshare and
# iptables; without them the test is skipped (exit 77).
set -u
if [ "$(id -u)" != 0 ] || ! command -v unshare >/dev/null || ! command -v iptables >/dev/null ||
   ! unshare -n true 2>/dev/null; then
    echo "skipped: needs root, unshare and iptables"
    exit 77
fi
# Besides loopback one address of no network: name lookups that ask for the address families
# the machine has (ser2net's do) find none with loopback alone.
exec unshare -n sh -c 'ip link set lo up && ip addr add 10.254.0.1/32 dev lo &&
    ORV_OWN_NETWORK=1 exec "$@"' own_network "$@"
