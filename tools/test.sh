#!/usr/bin/env bash
# Runs every test of the project: the native core tests, the same under ASan and
# UBSan with three bounded fuzzing runs, and again as a 32-bit (-m32) build, the
# Windows tests and end-to-end runs under Wine for i686 and x86_64, and the
# release tests. Installs what is missing first.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh" || exit 1

passed=0 failed=0 skipped=0
flaky_list=$(mktemp)
trap 'rm -f "$flaky_list"' EXIT

# failed_in LOG: the names of the test programs a ctest log reports as failed.
failed_in() { sed -n -E 's/^\s*[0-9]+ - (.*) \((Failed|Timeout|SEGFAULT|Exception|Not Run).*/\1/p' "$1"; }

# A Windows test program that failed runs once more, alone: the programs drive
# real windows under Wine, where a loaded machine can upset timing. What passes
# only on that second run is listed at the end, never hidden. Prints how many
# programs failed in the end, or nothing when none had failed.
rerun_failed() {
  local dir=$1 flavour=$2 first still
  first=$(failed_in "$dir/../$flavour.test.log")
  [ -n "$first" ] || return 0
  echo "=== $flavour: running the failed programs once more:" $first >&2
  (cd "$dir" && ctest --output-on-failure --timeout 900 --rerun-failed) >"$dir/../$flavour.rerun.log" 2>&1
  grep -E '^ *[0-9]+/[0-9]+ Test|tests passed' "$dir/../$flavour.rerun.log" >&2
  still=$(failed_in "$dir/../$flavour.rerun.log")
  for t in $first; do
    grep -qx "$t" <<<"$still" || echo "$flavour: $t" >>"$flaky_list"
  done
  wc -w <<<"$still"
}
declare -a failures=() skips=()
run_flavour() {
  local flavour=$1; shift
  echo "=== $flavour: build"
  if ! "$root/tools/build.sh" "$flavour" >"$root/build/$flavour.build.log" 2>&1; then
    tail -n 40 "$root/build/$flavour.build.log"
    failed=$((failed + 1)); failures+=("$flavour (build)"); return
  fi
  echo "=== $flavour: test"
  (cd "$root/build/$flavour" && ctest --output-on-failure --timeout 900 "$@") | tee "$root/build/$flavour.test.log" | grep -E '^ *[0-9]+/[0-9]+ Test|tests passed|Errors while|\*\*\*'
  local bad=""
  if [[ "$flavour" == i686 || "$flavour" == x86_64 ]]; then
    bad=$(rerun_failed "$root/build/$flavour" "$flavour")
  fi
  local summary
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$root/build/$flavour.test.log")
  local total
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  [ -n "$bad" ] || bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
  if [ -z "$summary" ]; then failed=$((failed + 1)); failures+=("$flavour (no tests ran)"); return; fi
  # A Windows test this machine cannot run (a 32-bit one where the system runs
  # 64-bit programs only) is skipped: counted and named, never as passed.
  local skip
  skip=$(grep -c -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*Skipped' "$root/build/$flavour.test.log")
  [ "$skip" -gt 0 ] && skips+=("$flavour: $skip Windows test programs not run: this machine cannot run 32-bit programs")
  passed=$((passed + total - bad - skip)); failed=$((failed + bad)); skipped=$((skipped + skip))
  [ "$bad" -gt 0 ] && failures+=("$flavour ($bad failed)")
}

mkdir -p "$root/build"
run_flavour native -j2
# The fuzz runs are bounded in time, not in work: all three at once (beside the
# other tests) share the two processors and take one minute instead of two.
run_flavour sanitize -j4
# The same as a 32-bit build, where the decoder's state is laid out as in the
# product; under ASan a write past its windows' slack is reported there too.
run_flavour sanitize32 -j4
run_flavour i686 -j2
run_flavour x86_64 -j2

# The release made again in other folders, compared with the two setups just
# built, signed with a throwaway certificate and made with a test pack, which
# the x86_64 end-to-end driver installs; broken packs and certificates refused.
echo "=== release: test"
if [[ " ${failures[*]-} " == *" (build)"* ]]; then
  failed=$((failed + 1)); failures+=("release (not run: a build failed)")
elif python3 "$root/tests/release/release_test.py" >"$root/build/release.test.log" 2>&1; then
  passed=$((passed + 1))
  tail -n 1 "$root/build/release.test.log"
else
  grep -E '^FAILED|^release tests' "$root/build/release.test.log"
  failed=$((failed + 1)); failures+=("release")
fi

echo
[ -s "$flaky_list" ] && sed 's/^/passed only when run again (flaky): /' "$flaky_list"
[ ${#failures[@]} -gt 0 ] && printf 'failed: %s\n' "${failures[@]}"
[ ${#skips[@]} -gt 0 ] && printf 'skipped: %s\n' "${skips[@]}"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
