# Shared by the install checks (sourced, not run).
# Exit status 77 tells CTest that a check was skipped.

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
failures=0

# A tool that a check needs: missing on a developer's machine, the check is
# skipped; missing in CI (CI=true), it fails, since CI installs every tool.
need_tool() {
  command -v "$1" >/dev/null 2>&1 && return 0
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1 is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
  echo "SKIP: $1 is not installed" >&2
  exit 77
}

# Likewise for a file that a package brings (PACKAGE names it).
need_file() {
  [ -e "$1" ] && return 0
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1 is missing (package $2; scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
  echo "SKIP: $1 is missing (package $2)" >&2
  exit 77
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}
