# The checks shared by the shell tests of the programs, with a scratch directory and a count of
# failures. A test reads its own arguments, then
#   source "$(dirname "$0")/../../Support/expect.sh"
# and ends with `finish "all … checks passed"`. Every check runs on, counting what fails, so
# one run reports every broken behaviour.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { # fail MESSAGE...
  echo "FAIL $*"
  failures=$((failures + 1))
}

expect() { # expect NAME EXPECTED-STATUS EXPECTED-STDOUT -- COMMAND...; the standard error stays in $work/stderr
  local name=$1 status=$2 expected=$3
  shift 4
  local output actual
  output=$("$@" 2>"$work/stderr")
  actual=$?
  if [[ $actual != "$status" || "$output" != "$expected" ]]; then
    fail "$name: status $actual (wanted $status), output [$output] (wanted [$expected]); stderr: $(cat "$work/stderr")"
  fi
}

expect_stderr() { # expect_stderr NAME PATTERN: the last `expect` said PATTERN on standard error
  grep -q -- "$2" "$work/stderr" || fail "$1: stderr lacks [$2]: $(cat "$work/stderr")"
}

check() { # check NAME JQ-FILTER [JSON]: the filter yields true on the JSON, by default $json
  local result
  result=$(jq -e "$2" <<<"${3:-$json}" 2>&1) || fail "$1 ($2 gave $result)"
}

end_follower() { # end_follower NAME PID: SIGTERM ends the following process PID cleanly (status 0); its standard error is in $work/follow-stderr
  kill -TERM "$2"
  wait "$2"
  local status=$?
  [[ $status == 0 ]] || fail "$1 ended with status $status on SIGTERM: $(cat "$work/follow-stderr")"
}

finish() { # finish SUMMARY: the summary when every check passed, else the count; the exit status says which
  if ((failures > 0)); then
    echo "$failures failure(s)"
    exit 1
  fi
  echo "$1"
  exit 0
}
