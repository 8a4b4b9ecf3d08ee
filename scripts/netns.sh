# Sourced by the end-to-end tests and benchmarks that turn Ableton Link on. Link finds its peers
# by multicast on every network interface, so such a run lives in a network namespace of its own
# with loopback as its only interface: nothing it sends can leave the machine.
#
#   netns_enter SCRIPT [ARGS…]  at the top of the script, before anything is started: re-runs
#                               SCRIPT inside a new private network namespace (loopback up, with
#                               multicast and 224.0.0.0/4 routed to it) and exits with its status;
#                               inside, returns. Exits 77 (a skip to ctest) with a message when no
#                               namespace can be made, 1 when the one it is in is not private.
#   netns_private               true when loopback is the only network interface.

netns_private() {
  local names
  names=$(ip -o link show 2>/dev/null | awk -F': ' '{print $2}') || return 1
  [ "$names" = lo ]
}

netns_enter() {
  if [ "${KORVANE_NETNS:-}" = 1 ]; then
    netns_private && return 0
    echo "FAIL: a network interface besides lo here; Link is not turned on outside a private namespace" >&2
    exit 1
  fi
  local unshare=(unshare -n)
  "${unshare[@]}" true 2>/dev/null || unshare=(unshare -r -n) # without root: a user namespace too
  if ! "${unshare[@]}" true 2>/dev/null || ! command -v ip >/dev/null; then
    echo "SKIP: cannot make a private network namespace (unshare -n, ip): Link is not tried" >&2
    exit 77
  fi
  local setup='ip link set lo up && ip link set lo multicast on && ip route add 224.0.0.0/4 dev lo'
  # shellcheck disable=SC2016
  exec "${unshare[@]}" bash -c "$setup"' || { echo "SKIP: loopback not set up for multicast" >&2; exit 77; }
    KORVANE_NETNS=1 exec bash "$0" "$@"' "$@"
}
