#!/usr/bin/env bash
# The README's two commands on a clean copy of the checkout, as a new user
# runs them: what run.sh would install, scripts/run.sh, then scripts/test.sh, then run.sh again and a
# broken test, which test.sh must rebuild and report. Last, a tree without a
# single test must fail test.sh.
#
# To keep it short each test program of the copy keeps one small source
# file and test.sh leaves out the benchmarks; the scripts are the checkout's
# own.
# Usage: check-scripts.sh SOURCE-DIR SCRATCH-DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/common.sh"
src="$1"
scratch="$2"

# Started from the copy's own tests, this check would start itself again.
if [ -n "${LAGWATCH_SCRIPT_CHECK:-}" ]; then
  echo "SKIP: nested run"
  exit 77
fi
need_tool git
need_tool xvfb-run
if ! git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  [ "${CI:-}" = true ] && { echo "FAIL: $src is not a git checkout" >&2; exit 1; }
  echo "SKIP: $src is not a git checkout, so its files cannot be told from build output"
  exit 77
fi

rm -rf "$scratch"
mkdir -p "$scratch/clone"
clone="$scratch/clone"
# The tracked and new files as they stand in the checkout (so uncommitted
# changes to the scripts are what is checked), without build folders.
(cd "$src" && git ls-files -z --cached --others --exclude-standard |
   while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
   tar --null -T - -cf -) | tar -xf - -C "$clone" || { echo "FAIL: cannot copy the checkout" >&2; exit 1; }
# Each suite keeps its smallest source file (and its headers): every test
# program is still built and run, but small. Folders with build files of
# their own (the end-to-end runs, these checks) go.
for d in "$clone"/tests/*/; do
  [ "$(basename "$d")" = common ] && continue
  if [ -e "$d/CMakeLists.txt" ]; then rm -rf "$d"; continue; fi
  keep="$(ls -S "$d"*.cpp 2>/dev/null | tail -1)"
  for f in "$d"*.cpp; do [ "$f" = "$keep" ] || rm -f "$f"; done
done
planted="$(ls "$clone"/tests/platform/*.cpp | head -1)"

# A user's shell: no display, none of CI's build selections.
run_script() {
  local log="$1"; shift
  (cd "$clone" && env -u DISPLAY -u WAYLAND_DISPLAY -u BUILD_DIR -u BUILD_TYPE -u CC -u CXX \
     -u LAGWATCH_VERBOSE -u QT_QPA_PLATFORM LAGWATCH_SCRIPT_CHECK=1 \
     timeout 600 "$@") >"$log" 2>&1
}
progress_lines() { grep -cE '^\[[0-9]+/[0-9]+\] ' "$1"; }

# 0. run.sh asks for what building and running needs and no test tool; the
# virtual display only where there is no desktop. The default set, which
# test.sh and CI install, holds the test tools.
test_tools=(libgtest-dev libgmock-dev libbenchmark-dev clang prometheus prometheus-alertmanager proj-bin faketime strace lintian mandoc)
wanted_packages() { sed -n 's/^Packages: //p' "$1" | tr ' ' '\n'; }
run_script "$scratch/deps-run.log" scripts/run.sh --dry-run || fail "run.sh --dry-run ended with status $?"
run_script "$scratch/deps-display.log" env DISPLAY=:7 scripts/run.sh --dry-run || fail "run.sh --dry-run with a display failed"
run_script "$scratch/deps-all.log" scripts/install-deps.sh --dry-run || fail "install-deps.sh --dry-run failed"
for p in "${test_tools[@]}"; do
  wanted_packages "$scratch/deps-run.log" | grep -qx "$p" && fail "run.sh would install the test tool $p"
  wanted_packages "$scratch/deps-all.log" | grep -qx "$p" || fail "install-deps.sh would not install $p"
done
for p in cmake ninja-build qt6-base-dev fonts-liberation xvfb; do
  wanted_packages "$scratch/deps-run.log" | grep -qx "$p" || fail "run.sh without a display would not install $p"
done
wanted_packages "$scratch/deps-display.log" | grep -qx xvfb && fail "run.sh on a desktop would install xvfb"

# 1. run.sh: builds the program and runs it once on the demo station, each
# of its families under its name.
if run_script "$scratch/run1.log" scripts/run.sh; then
  [ -s "$clone/out/lagwatch.png" ] || fail "run.sh left no out/lagwatch.png"
  grep -q "^Lagwatch - " "$scratch/run1.log" || fail "run.sh printed no caption line"
  [ "$(grep -cxE '\[(crm|segments|hourly)\]' "$scratch/run1.log")" -eq 3 ] || fail "run.sh showed not the demo's three families"
  [ "$(progress_lines "$scratch/run1.log")" -eq 0 ] || fail "run.sh printed the build's progress lines"
else
  fail "run.sh ended with status $?"; cat "$scratch/run1.log" >&2
fi

# 2. test.sh right after run.sh: builds the tests and runs them.
if run_script "$scratch/test1.log" scripts/test.sh -DLAGWATCH_BENCH=OFF; then
  grep -qE '^100% tests passed, 0 tests failed out of [1-9]' "$scratch/test1.log" ||
    fail "test.sh passed without reporting tests run"
  [ "$(progress_lines "$scratch/test1.log")" -eq 0 ] || fail "test.sh printed the build's progress lines"
else
  fail "test.sh on a clean copy ended with status $?"; cat "$scratch/test1.log" >&2
fi

# 3. run.sh again, then a test that fails: test.sh must rebuild it and fail.
run_script "$scratch/run2.log" scripts/run.sh || { fail "second run.sh ended with status $?"; cat "$scratch/run2.log" >&2; }
cat >>"$planted" <<'CPP'

TEST(ScriptCheck, DeliberateFailure) { FAIL() << "planted by check-scripts.sh"; }
CPP
if run_script "$scratch/test2.log" scripts/test.sh -v -DLAGWATCH_BENCH=OFF; then
  fail "test.sh passed with a failing test"
else
  grep -q "ScriptCheck.DeliberateFailure" "$scratch/test2.log" || fail "test.sh failed, but not on the planted test"
  [ "$(progress_lines "$scratch/test2.log")" -gt 0 ] || fail "test.sh -v did not show the build's progress lines"
fi

# 4. No test at all is a failure too.
echo "# no tests in this copy" >"$clone/tests/CMakeLists.txt"
if run_script "$scratch/test3.log" scripts/test.sh -DLAGWATCH_BENCH=OFF; then
  fail "test.sh passed without a single test"
else
  grep -q "No tests were found" "$scratch/test3.log" || { fail "test.sh failed for another reason"; tail -20 "$scratch/test3.log" >&2; }
fi

finish
