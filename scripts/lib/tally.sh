# One count of passed and failed checks for the scripts and the checks
# (tests/check_*.sh), and its "N passed, N failed" line. Sourced, not run.

passed=0
failed=0

# Adds $1 passed and $2 failed.
tally() {
    passed=$((passed + $1))
    failed=$((failed + $2))
}

# Runs each check (a function that says what is wrong when it fails) and
# counts it.
run_checks() {
    local check
    for check in "$@"; do
        if "$check"; then tally 1 0; else tally 0 1; fi
    done
}

# One outcome, $2 the status of what ran: says "$1: 1 passed, 0 failed" (or
# the other way round) and counts it.
count_outcome() {
    if [ "$2" = 0 ]; then echo "$1: 1 passed, 0 failed"; tally 1 0
    else echo "$1: 0 passed, 1 failed"; tally 0 1
    fi
}

# Adds the figures of the last "... N passed, N failed" line of the file $1;
# a file without one counts as one failure.
count_line() {
    local line
    line=$(grep -E '[0-9]+ passed, [0-9]+ failed' "$1" | tail -n 1 || true)
    if [ -z "$line" ]; then tally 0 1; return; fi
    tally "$(grep -oE '[0-9]+ passed' <<<"$line" | grep -oE '[0-9]+')" \
          "$(grep -oE '[0-9]+ failed' <<<"$line" | grep -oE '[0-9]+')"
}

# The count so far, after "$1: " when given.
say_tally() {
    echo "${1:+$1: }$passed passed, $failed failed"
}
