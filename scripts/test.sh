#!/usr/bin/env bash
# Installs what is missing, checks the house style (clang-format,
# .clang-format) of every tracked source file, builds (warnings as errors),
# runs clang-tidy (.clang-tidy) over src/, packs that build into a Debian
# package and checks it, starts the private MariaDB server, runs every test
# through CTest in a normal and in an AddressSanitizer/
# UndefinedBehaviorSanitizer build, stops the server.
# Exits non-zero when anything fails.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${LUG_JOBS:-2}

# Each stage starts with a line "== [linux <seconds since the start>s]
# <stage>"; the closing lines list the seconds each stage took.
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
  stage_name=$1
  stage_start=$SECONDS
  echo "== [linux $((SECONDS - run_start))s] $1"
}
stage_summary() {
  stage_end
  echo "== stage times (linux, $((SECONDS - run_start)) s in all):"
  printf '   %s\n' "${stage_times[@]}"
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

stage "house style (clang-format-14)"
# every tracked C++ file as the checked-in .clang-format writes it
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if ! clang-format-14 --dry-run -Werror "${sources[@]}"; then
  echo "== FAILED: source not in the house style; run: git ls-files '*.cpp' '*.h' | xargs clang-format-14 -i" >&2
  exit 1
fi

stage "build (warnings as errors)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug -DLUG_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build -j"$jobs"

stage "clang-tidy-14 over src/ (.clang-tidy)"
# with the normal build's compile commands; clang does not know some of
# g++'s warning options, which is no finding
tidy_start=$SECONDS
if ! run-clang-tidy-14 -p build -j "$jobs" -quiet -extra-arg=-Wno-unknown-warning-option "$root/src/" \
    >build/clang-tidy.log 2>&1; then
  # the findings without the colours run-clang-tidy gives them
  sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy.log | grep -E 'warning:|error:' | sort -u >&2 || tail -40 build/clang-tidy.log >&2
  echo "== FAILED: clang-tidy found problems (whole output: build/clang-tidy.log)" >&2
  exit 1
fi
echo "clang-tidy: no findings ($((SECONDS - tidy_start)) s)"

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

stage "build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLUG_WERROR=ON -DLUG_SANITIZE=ON -DLUG_BENCH=OFF \
  -DLUG_TEST_SOCKET="$root/build/db/mysqld.sock" >/dev/null
cmake --build build-asan -j"$jobs"

stage "build of the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DLUG_WERROR=ON -DLUG_FUZZ=ON \
  -DLUG_TESTS=OFF -DLUG_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_config fuzz_cmdline fuzz_format

stage "private server"
started=0
if ! scripts/db-server.sh status >/dev/null 2>&1; then
  scripts/db-server.sh start
  started=1
fi
cleanup() { if [ "$started" = 1 ]; then scripts/db-server.sh stop || true; fi; }
trap cleanup EXIT

export LUG_DB_SOCKET="$root/build/db/mysqld.sock"
status=0
stage "tests"
(cd build && ctest --output-on-failure -j"$jobs") || status=1
stage "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$jobs") || status=1

# A second private server as a Linux distribution sets one up: table names
# case-sensitive, utf8mb4, and the client's character-set request ignored.
# Every whole-run scenario must give the same results there; LUG_SECOND_ALL=1
# runs the whole suite against it.
# It also takes TLS connections on a TCP port, with a certificate of a
# certificate authority of its own (ServerTls.*).
stage "scenarios against a second server (lower_case_table_names=0, utf8mb4, TLS)"
second="$root/build/db2"
tls="$second-tls"
scripts/tls-certs.sh "$tls"
export LUG_DB_DIR="$second" LUG_DB_CASE=0 LUG_DB_CHARSET=utf8mb4 LUG_DB_POOL=256M \
  LUG_DB_OPTIONS="--skip-character-set-client-handshake --ssl-ca=$tls/ca.pem --ssl-cert=$tls/server.pem --ssl-key=$tls/server-key.pem"
# started anew, so that it takes the options and the port below
scripts/db-server.sh stop >/dev/null 2>&1 || true
# the first free port from 33917 on (a port in use answers a connect)
tls_port=${LUG_TLS_PORT:-33917}
while (exec 3<>"/dev/tcp/127.0.0.1/$tls_port") 2>/dev/null; do tls_port=$((tls_port + 1)); done
LUG_DB_PORT="$tls_port" scripts/db-server.sh start >/dev/null
second_filter='Whole/Scenario.*:TableNames.*:ServerSettings.*:ServerTls.*'
if [ "${LUG_SECOND_ALL:-0}" = 1 ]; then second_filter='*'; fi
LUG_DB_SOCKET="$second/mysqld.sock" LUG_TLS_PORT="$tls_port" LUG_TLS_CA="$tls/ca.pem" LUG_TLS_OTHER_CA="$tls/other-ca.pem" \
  build/lugtests --gtest_filter="$second_filter" --gtest_brief=1 || status=1
scripts/db-server.sh stop >/dev/null || true
unset LUG_DB_DIR LUG_DB_CASE LUG_DB_CHARSET LUG_DB_POOL LUG_DB_OPTIONS

stage "fuzzing (${LUG_FUZZ_SECONDS:-30} s per target)"
for target in config cmdline format; do
  work=$(mktemp -d)
  if ! (cd "$work" && "$root/build-fuzz/fuzz_$target" -max_total_time="${LUG_FUZZ_SECONDS:-30}" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work" "$root/tests/fuzz/corpus/$target" >"$work/fuzz.log" 2>&1); then
    echo "fuzz_$target FAILED:"; tail -60 "$work/fuzz.log"; status=1
  else
    # -a: the log holds the fuzzer's inputs, bytes grep would take for binary
    echo "fuzz_$target: $(grep -a -m1 'stat::number_of_executed_units' "$work/fuzz.log" || true)"
  fi
  rm -rf "$work" /tmp/lugfuzz-*
done

stage_summary
if [ "$status" -ne 0 ]; then
  echo "== FAILED"
else
  echo "== all tests passed"
fi
exit "$status"
