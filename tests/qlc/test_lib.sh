# What the qlc test scripts share; sourced with the script's arguments:
#   source test_lib.sh QLC SOURCE_DIR WORK_DIR
qlc=$1
source_dir=$2
work=$3
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect_rc WANT OUTPUT_FILE -- COMMAND...: runs the command, output into the file, checks the code.
expect_rc() {
  local want=$1 out=$2
  shift 3
  "$@" >"$out" 2>&1
  local rc=$?
  [ "$rc" -eq "$want" ] || { fail "$* exited $rc, expected $want"; cat "$out"; }
}
# expect_line FILE TEXT: the output holds the line (fixed text).
expect_line() { grep -qxF -- "$2" "$1" || { fail "no line '$2' in $1"; cat "$1"; }; }
# expect_text FILE TEXT: the output holds the text somewhere.
expect_text() { grep -qF -- "$2" "$1" || { fail "no text '$2' in $1"; cat "$1"; }; }
# finish WHAT: the summary line and the exit code.
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures failures"
    exit 1
  fi
  echo "all $1 passed"
}
