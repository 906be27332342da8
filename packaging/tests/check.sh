# Sourced by the packaging tests: check WHAT COMMAND... runs the command and,
# when it fails, says FAILED: WHAT and sets failed=1, so every check runs.
failed=0
check() {
  local what=$1
  shift
  if ! "$@"; then
    echo "FAILED: $what"
    failed=1
  fi
}
