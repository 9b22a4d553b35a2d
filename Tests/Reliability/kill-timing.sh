# Random kill moments for the killed-writer tests, sourced after RANDOM is seeded.
#
# measure_write_time COMMAND...: runs the command five times and sets write_microseconds to
# the longest run and kill_window to a little more, so that kills spread over the whole of a
# write in this build (a sanitized build is several times slower) and some land after it.
# random_kill_delay: prints a delay in [1 µs, kill_window] in the form `timeout` takes.
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
