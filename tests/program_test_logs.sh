# Shared by the program tests (sourced): failures, and small helpers over
# logs and outputs.

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The number of end-of-file marks (0x1A) in a file.
count_eof_marks() { tr -cd '\032' < "$1" | wc -c; }

# An output closed in order: it ends with exactly one end-of-file mark.
expect_closed() {
  [[ -f "$1" ]] || { fail "$1 missing"; return; }
  [[ $(tail -c 1 "$1" | od -An -tx1 | tr -d ' ') == 1a ]] ||
    fail "$1 does not end with 0x1A"
  [[ $(count_eof_marks "$1") -eq 1 ]] ||
    fail "$1 holds $(count_eof_marks "$1") end-of-file marks"
}

# The number of records in an output.
records() { grep -c $'^#E\r$' "$1"; }

# A log of n messages of conference 3 after its board line (Shift-JIS is
# not needed: every byte is ASCII).
make_log() {  # path, n
  awk -v n="$2" 'BEGIN {
    handle = sprintf("guest%11s", "")
    printf "- FOO  MES(03) Free talk -\r\n"
    for (i = 1; i <= n; i++) {
      m = (i - 1) % 99999 + 1  # message numbers have five digits
      printf "%05d/%05d XYZ%05d  %s Title %d\r\n", m, m, m, handle, i
      printf "(03)   96/12/31 23:59  \r\n"
      printf "body of message %d\r\nsecond line\r\n\r\n", i
    }
  }' > "$1"
}
