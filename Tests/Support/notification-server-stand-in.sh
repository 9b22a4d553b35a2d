# The stand-in desktop notification server (Support/notification-server-stand-in.cpp) for the
# shell tests that show alerts, on the private session bus they run on. Source it after
# expect.sh, then
#   start_notification_server PROGRAM   starts it and waits until it owns its bus name; each
#                                       notification it is asked to show comes as a JSON line on
#                                       $serverOut, and "click ID ACTION" written to $serverIn
#                                       presses a button
#   stop_notification_server            ends it

start_notification_server() {
  coproc notifications { exec "$1" 2>"$work/server-stderr"; }
  serverPid=$notifications_PID
  serverIn=${notifications[1]}
  serverOut=${notifications[0]}
  local line=""
  read -r -t 60 line <&"$serverOut"
  [[ $line == ready ]] || fail "the stand-in notification server did not start: [$line] $(cat "$work/server-stderr")"
}

stop_notification_server() {
  exec {serverIn}>&-
  wait "$serverPid"
}
