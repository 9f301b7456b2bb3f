#!/usr/bin/env bash
# Installs what is missing, checks the house style (clang-format,
# .clang-format) of every tracked source file, builds (warnings as errors),
# packs that build into a Debian package and checks it, builds with
# AddressSanitizer/UndefinedBehaviorSanitizer, runs clang-tidy (.clang-tidy)
# over src/, builds the libFuzzer targets and fuzzes each for a while, and
# runs every test through CTest in the normal and in the sanitizer build
# against the private MariaDB server, and the scenarios against a second
# server set up as a Linux distribution sets one up. Stops the servers it
# started. Exits non-zero when anything fails.
#
#   scripts/test.sh            all of it
#   scripts/test.sh packages   only installs what is missing (as root)
#
# The test runs spend most of their time waiting (on the server, and on the
# pauses of the runs under test: the fault tests run the program once for
# every statement), so they run in the background while the builds and
# clang-tidy keep the cores busy: the normal build's tests and the second
# server's from the end of the normal build on, the sanitizer build's from the
# end of that build on. Their output is shown whole when they end. Every
# stage starts with a line "== [linux <seconds since the start>s] <stage>";
# the closing lines list the seconds each took.
#
# Environment:
#   LUG_JOBS          parallel compile jobs (default 2)
#   LUG_TEST_JOBS     tests CTest runs at once in each build (default 3)
#   LUG_FUZZ_SECONDS  seconds of fuzzing per target (default 30)
#   LUG_SECOND_ALL=1  the whole suite against the second server, not only the
#                     scenarios and the server-dependent tests
#   LUG_TLS_PORT      first TCP port tried for the second server (33917)
#   LUG_CPU_LOCK      a lock file: the builds and clang-tidy run only while
#                     holding it (.ci/run sets it, so that this script and the
#                     Windows build running beside it never compile at once)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${LUG_JOBS:-2}
test_jobs=${LUG_TEST_JOBS:-3}
mode=${1:-all}
case "$mode" in all | packages) ;; *) echo "usage: $0 [packages]" >&2; exit 2 ;; esac

run_start=$SECONDS
stage_name=""
stage_start=$SECONDS
stage_times=()
stage_end() {
  if [ -n "$stage_name" ]; then stage_times+=("$(printf '%5d s  %s' $((SECONDS - stage_start)) "$stage_name")"); fi
  stage_name=""
}
stage() {
  stage_end
  bg_poll
  stage_name=$1
  stage_start=$SECONDS
  echo "== [linux $((SECONDS - run_start))s] $1"
}
summary_shown=0
stage_summary() {
  stage_end
  summary_shown=1
  echo "== stage times (linux, $((SECONDS - run_start)) s in all; the background runs beside the stages):"
  printf '   %s\n' "${stage_times[@]}"
}

# heavy: a step that keeps both cores busy waits for the CPU lock
# (LUG_CPU_LOCK) when one is set.
# shellcheck source=scripts/cpu-lock.sh
. "$root/scripts/cpu-lock.sh"

# Background runs: the output of run ID goes to build/logs/ID.log, shown whole
# when it has ended (at the next stage, or at the end).
logs=$root/build/logs
declare -A job_pid=() job_t0=() job_title=()
job_order=()
status=0
bg_start() { # ID TITLE COMMAND...
  local id=$1 title=$2
  shift 2
  mkdir -p "$logs"
  rm -f "$logs/$id.end"
  (
    rc=0
    "$@" || rc=$?
    echo "$rc $SECONDS" >"$logs/$id.end"
    exit "$rc"
  ) >"$logs/$id.log" 2>&1 &
  job_pid[$id]=$!
  job_t0[$id]=$SECONDS
  job_title[$id]=$title
  job_order+=("$id")
  echo "== [linux $((SECONDS - run_start))s] started in the background: $title"
}
bg_collect() { # ID: waits for it, shows its output, counts a failure
  local id=$1 rc=1 t1=$SECONDS
  wait "${job_pid[$id]}" 2>/dev/null || true
  if [ -f "$logs/$id.end" ]; then read -r rc t1 <"$logs/$id.end"; fi
  unset "job_pid[$id]"
  local took=$((t1 - job_t0[$id]))
  echo "== [linux $((SECONDS - run_start))s] ${job_title[$id]}: $([ "$rc" = 0 ] && echo passed || echo "FAILED ($rc)")," \
    "$took s in the background; its output:"
  cat "$logs/$id.log"
  stage_times+=("$(printf '%5d s  %s (background)' "$took" "${job_title[$id]}")")
  if [ "$rc" != 0 ]; then status=1; fi
}
bg_poll() { # collects the runs that have ended
  local id
  for id in "${job_order[@]}"; do
    if [ -n "${job_pid[$id]:-}" ] && [ -f "$logs/$id.end" ]; then bg_collect "$id"; fi
  done
}
bg_wait_all() {
  local id
  for id in "${job_order[@]}"; do
    if [ -n "${job_pid[$id]:-}" ]; then bg_collect "$id"; fi
  done
}
kill_tree() { # PID: the process and everything it started
  local child
  for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do kill_tree "$child"; done
  kill "$1" 2>/dev/null || true
}

packages=(cmake make g++ pkg-config libmariadb-dev mariadb-server mariadb-client libgtest-dev clang libclang-rt-14-dev openssl
  clang-format-14 clang-tidy-14)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    stage "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  else
    echo "missing packages (run as root to install): ${missing[*]}" >&2
    exit 1
  fi
fi

# The browser test of the reconciliation report opens it in headless Chromium
# and prints it to PDF (pdftotext of poppler-utils reads the pages back);
# without the packages (not root) that one test is skipped and says so.
missing=""
for pkg in chromium poppler-utils; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing="$missing $pkg"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" -eq 0 ]; then
    stage "installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
  else
    echo "missing (run as root to install):$missing: the browser test will be skipped" >&2
  fi
fi

if [ "$mode" = packages ]; then exit 0; fi

stage "house style (clang-format-14)"
# every tracked C++ file as the checked-in .clang-format writes it
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if ! clang-format-14 --dry-run -Werror "${sources[@]}"; then
  echo "== FAILED: source not in the house style; run: git ls-files '*.cpp' '*.h' | xargs clang-format-14 -i" >&2
  exit 1
fi

build_normal() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug -DLUG_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
  cmake --build build -j"$jobs"
}
stage "build (warnings as errors)"
heavy build_normal

# The Debian package of that build: the programs, the README and the table
# definitions inside, the version of the project, and a program that runs
# from it.
stage "Debian package (cpack)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
deb=build/lugtransfer_${version}_$(dpkg --print-architecture).deb
rm -f build/lugtransfer_*.deb
(cd build && cpack -G DEB >cpack.log 2>&1) || { cat build/cpack.log >&2; echo "== FAILED: cpack" >&2; exit 1; }
dpkg-deb -I "$deb" | sed -n 's/^ \(Package\|Version\|Depends\):/   \1:/p'
deb_files=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for f in ./usr/bin/lugtransfer ./usr/bin/lugtransfer-ini ./usr/share/doc/lugtransfer/README.md \
  ./usr/share/lugtransfer/sql/schema.sql ./usr/share/lugtransfer/sql/darvonix.sql; do
  grep -qxF "$f" <<<"$deb_files" || { echo "== FAILED: $deb lacks $f" >&2; exit 1; }
done
if grep -q 'demo\.sql' <<<"$deb_files"; then echo "== FAILED: $deb holds demo data" >&2; exit 1; fi
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "== FAILED: $deb is not version $version" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -qw libmariadb3 || { echo "== FAILED: $deb does not depend on libmariadb3" >&2; exit 1; }
unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
packaged_version=$("$unpacked/usr/bin/lugtransfer" --version || true)
rm -rf "$unpacked"
[ "$packaged_version" = "lugtransfer $version" ] ||
  { echo "== FAILED: the packaged program says '$packaged_version', not 'lugtransfer $version'" >&2; exit 1; }
echo "   $deb: $(wc -c <"$deb") bytes"

stage "private server"
started=0
if ! scripts/db-server.sh status >/dev/null 2>&1; then
  scripts/db-server.sh start
  started=1
fi
second="$root/build/db2"
cleanup() {
  local id
  for id in "${!job_pid[@]}"; do kill_tree "${job_pid[$id]}"; done
  if [ -n "${second_started:-}" ]; then LUG_DB_DIR="$second" scripts/db-server.sh stop >/dev/null 2>&1 || true; fi
  if [ "$started" = 1 ]; then scripts/db-server.sh stop || true; fi
  if [ "$summary_shown" = 0 ]; then stage_summary; fi
}
trap cleanup EXIT
export LUG_DB_SOCKET="$root/build/db/mysqld.sock"

# CTest starts first the tests it knows to take long, from the times it
# keeps in the build tree; a fresh tree knows none, and the test that takes
# minutes (the program run once for every statement, with a pause of a
# second in each run) would start midway and end long after the others. So a
# fresh tree is told the few long ones.
ctest_suite() { # BUILD_DIR
  local costs=$1/Testing/Temporary/CTestCostData.txt
  if [ ! -f "$costs" ]; then
    mkdir -p "${costs%/*}"
    printf '%s 1 %s\n' FaultRun.ServerErrorAtEveryStatement 150 \
      ContentFuzz.SeededMutationsUnderEveryPayrollSystem 35 \
      WriteBatchRuns.ScenariosPassWithSingleStatements 25 \
      ReportInBrowser.PrintedReportRepeatsTableHeadsOnEveryPage 20 \
      FaultRun.ConnectionLostAtEveryStatement 12 \
      DemoModes.PreviewOfEveryExporterChangesNothingAndWritesTheRunsFiles 10 >"$costs"
    echo --- >>"$costs"
  fi
  (cd "$1" && ctest --output-on-failure -j"$test_jobs")
}
bg_start tests "tests of the normal build" ctest_suite build

# A second private server as a Linux distribution sets one up: table names
# case-sensitive, utf8mb4, and the client's character-set request ignored.
# Every whole-run scenario must give the same results there; LUG_SECOND_ALL=1
# runs the whole suite against it.
# It also takes TLS connections on a TCP port, with a certificate of a
# certificate authority of its own (ServerTls.*).
second_server_tests() {
  local tls="$second-tls" tls_port rc=0
  scripts/tls-certs.sh "$tls" || return 1
  export LUG_DB_DIR="$second" LUG_DB_CASE=0 LUG_DB_CHARSET=utf8mb4 LUG_DB_POOL=256M \
    LUG_DB_OPTIONS="--skip-character-set-client-handshake --ssl-ca=$tls/ca.pem --ssl-cert=$tls/server.pem --ssl-key=$tls/server-key.pem"
  # started anew, so that it takes the options and the port below
  scripts/db-server.sh stop >/dev/null 2>&1 || true
  # the first free port from 33917 on (a port in use answers a connect)
  tls_port=${LUG_TLS_PORT:-33917}
  while (exec 3<>"/dev/tcp/127.0.0.1/$tls_port") 2>/dev/null; do tls_port=$((tls_port + 1)); done
  LUG_DB_PORT="$tls_port" scripts/db-server.sh start >/dev/null || return 1
  local filter='Whole/Scenario.*:TableNames.*:ServerSettings.*:ServerTls.*'
  if [ "${LUG_SECOND_ALL:-0}" = 1 ]; then filter='*'; fi
  LUG_DB_SOCKET="$second/mysqld.sock" LUG_TLS_PORT="$tls_port" LUG_TLS_CA="$tls/ca.pem" \
    LUG_TLS_OTHER_CA="$tls/other-ca.pem" build/lugtests --gtest_filter="$filter" --gtest_brief=1 || rc=1
  scripts/db-server.sh stop >/dev/null || true
  return "$rc"
}
second_started=1
bg_start second "scenarios against a second server (lower_case_table_names=0, utf8mb4, TLS)" second_server_tests

build_sanitizer() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLUG_WERROR=ON -DLUG_SANITIZE=ON -DLUG_BENCH=OFF \
    -DLUG_TEST_SOCKET="$root/build/db/mysqld.sock" >/dev/null
  cmake --build build-asan -j"$jobs"
}
stage "build with AddressSanitizer and UndefinedBehaviorSanitizer"
heavy build_sanitizer

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
bg_start sanitizer "tests under AddressSanitizer and UndefinedBehaviorSanitizer" ctest_suite build-asan

# with the normal build's compile commands; clang does not know some of
# g++'s warning options, which is no finding
tidy() {
  run-clang-tidy-14 -p build -j "$jobs" -quiet -extra-arg=-Wno-unknown-warning-option "$root/src/" \
    >build/clang-tidy.log 2>&1
}
stage "clang-tidy-14 over src/ (.clang-tidy)"
if ! heavy tidy; then
  # the findings without the colours run-clang-tidy gives them
  sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy.log | grep -E 'warning:|error:' | sort -u >&2 || tail -40 build/clang-tidy.log >&2
  echo "== FAILED: clang-tidy found problems (whole output: build/clang-tidy.log)" >&2
  exit 1
fi
echo "clang-tidy: no findings"

build_fuzz() {
  cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DLUG_WERROR=ON -DLUG_FUZZ=ON \
    -DLUG_TESTS=OFF -DLUG_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs" --target fuzz_config fuzz_cmdline fuzz_format
}
stage "build of the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)"
heavy build_fuzz

# one target after the other, each on one core, while the tests wait beside
stage "fuzzing (${LUG_FUZZ_SECONDS:-30} s per target)"
for target in config cmdline format; do
  work=$(mktemp -d)
  fuzz_rc=0
  (cd "$work" && exec "$root/build-fuzz/fuzz_$target" -max_total_time="${LUG_FUZZ_SECONDS:-30}" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "$work" "$root/tests/fuzz/corpus/$target" >"$work/fuzz.log" 2>&1) &
  fuzz_pid=$!
  wait "$fuzz_pid" || fuzz_rc=$?
  if [ "$fuzz_rc" != 0 ]; then
    echo "fuzz_$target FAILED:"; tail -60 "$work/fuzz.log"; status=1
  else
    # -a: the log holds the fuzzer's inputs, bytes grep would take for binary
    echo "fuzz_$target: $(grep -a -m1 'stat::number_of_executed_units' "$work/fuzz.log" || true)"
  fi
  # the files the target made for itself, named after its process
  rm -rf "$work" "/tmp/lugfuzz-$fuzz_pid.ini" "/tmp/lugfuzz-cmdline-$fuzz_pid"
done

stage "waiting for the tests in the background"
bg_wait_all
stage_summary
if [ "$status" -ne 0 ]; then
  echo "== FAILED"
else
  echo "== all tests passed"
fi
exit "$status"
