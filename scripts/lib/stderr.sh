# Sourced by the script tests. A program a test runs writes its stderr to a file in the test's
# work folder, and every failing check shows the end of that file: the work folder is gone when
# the test has ended, and the test's own output is all that is left to read.

# norvessa_stderr_tail FILE NAME: the last 40 lines of FILE, the stderr of NAME, on stderr.
norvessa_stderr_tail() {
    if [ -s "$1" ]; then
        echo "----- $2, stderr (last 40 lines):" >&2
        tail -n 40 "$1" >&2
        echo "----- end of $2's stderr" >&2
    elif [ -e "$1" ]; then
        echo "----- $2 wrote nothing on its stderr" >&2
    else
        echo "----- $2 left no stderr file ($1): it did not start" >&2
    fi
}
