# Shared by the program tests (sourced): small helpers over logs and outputs.

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
