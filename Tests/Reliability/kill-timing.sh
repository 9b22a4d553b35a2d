# Options and random kill moments for the killed-writer tests.
#
# kill_options DEFAULT-ROUNDS LONG-ROUNDS [ARGUMENT]...: sets rounds and seed from --rounds N,
# --seed N and --long (the seed otherwise from TARVIK_RELIABILITY_SEED, else the clock).
# measure_write_time COMMAND...: runs the command five times and sets write_microseconds to
# the longest run and kill_window to a little more, so that kills spread over the whole of a
# write in this build (a sanitized build is several times slower) and some land after it.
# random_kill_delay: prints a delay in [1 µs, kill_window] in the form `timeout` takes.
kill_options() {
  rounds=$1
  local long=$2
  shift 2
  seed=${TARVIK_RELIABILITY_SEED:-$(($(date +%s%N) % 1000000007))}
  while [[ $# -gt 0 ]]; do
    case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --long) rounds=$long; shift ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
  done
}

# After RANDOM is seeded:
measure_write_time() {
  local start end took
  write_microseconds=1
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    took=$(((end - start) / 1000))
    ((took > write_microseconds)) && write_microseconds=$took
  done
  kill_window=$((write_microseconds * 5 / 4))
}

random_kill_delay() {
  local microseconds=$(((RANDOM * 32768 + RANDOM) % kill_window + 1))
  printf '%d.%06d\n' $((microseconds / 1000000)) $((microseconds % 1000000))
}
