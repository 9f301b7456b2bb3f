#!/usr/bin/env bash
# Windows build: cross-builds lugtransfer.exe and lugtransfer-ini.exe with
# mingw-w64 (posix threads) on Debian, statically linked, warnings as errors,
# and packs them into build-win/build/lugtransfer-<version>-win64.zip.
#
#   scripts/windows-build.sh           build only
#   scripts/windows-build.sh test      build, then run the whole test suite under
#                                      wine against the private server over TCP
#   scripts/windows-build.sh packages  only install what is missing (as root)
#
# Installs what is missing (as root): mingw-w64, wine64, a deb-src entry for
# Debian's own archive. The MariaDB client library comes from Debian's source
# package "mariadb" (its libmariadb directory), cross-built once into
# build-win/third-party and reused; googletest from Debian's googletest sources.
# Everything lands under build-win/ (ignored by git).
#
# Under wine the suite runs in four processes side by side: most of a test's
# time there goes to waiting (on the server, on the pauses of the runs under
# test), and the fault tests and the scenarios run with single statements
# take a minute or more each. FaultRun.* and WriteBatchRuns.* have a process
# each, the other tests are split in two (GoogleTest's sharding).
#
# Environment: LUG_JOBS (default 2), LUG_WIN_DB_PORT (default 33061),
# LUG_WIN_TEST_TIMEOUT (seconds for each test process, default 1500),
# LUG_WIN_TEST_SERIAL=1 (the whole suite in one process, one test after the
# other), LUG_CPU_LOCK (a lock file: the builds run only while holding it;
# .ci/run sets it, so that this script and scripts/test.sh running beside it
# never compile at once).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${LUG_JOBS:-2}
out=$root/build-win
third=$out/third-party
prefix=$third/prefix
mode=${1:-build}
case "$mode" in build | test | packages) ;; *) echo "usage: $0 [test|packages]" >&2; exit 2 ;; esac

# Every step starts with a line "== [windows <seconds since the start>s]
# <step>"; the closing lines list the seconds each took.
step_start=$(date +%s)
step_name=""
step_at=$step_start
step_times=()
step_end() {
  local now
  now=$(date +%s)
  if [ -n "$step_name" ]; then step_times+=("$(printf '%5d s  %s' $((now - step_at)) "$step_name")"); fi
  step_name=""
}
step() {
  step_end
  step_name=$*
  step_at=$(date +%s)
  echo "== [windows $((step_at - step_start))s] $*"
}
step_summary() {
  step_end
  echo "== step times (windows, $(($(date +%s) - step_start)) s in all):"
  printf '   %s\n' "${step_times[@]}"
}

# heavy: a step that keeps both cores busy waits for the CPU lock
# (LUG_CPU_LOCK) when one is set.
# shellcheck source=scripts/cpu-lock.sh
. "$root/scripts/cpu-lock.sh"

mkdir -p "$out" "$third"

# --- packages -----------------------------------------------------------------
packages=(cmake make dpkg-dev tar g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine64 wine googletest mariadb-server mariadb-client unzip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
have_src() { apt-cache showsrc mariadb 2>/dev/null | grep -q '^Package: mariadb'; }
need_src=0
if [ ! -f "$prefix/lib/libmariadbclient.a" ] && ! ls "$third"/mariadb-*/libmariadb >/dev/null 2>&1; then
  have_src || need_src=1
fi
if [ ${#missing[@]} -gt 0 ] || [ "$need_src" = 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing (run as root to install): ${missing[*]} $([ "$need_src" = 1 ] && echo deb-src)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if [ "$need_src" = 1 ] && [ ! -f /etc/apt/sources.list.d/lug-debian-src.sources ]; then
    # Source entries for Debian's own archive, the same suites as the binaries.
    . /etc/os-release
    step "adding deb-src for $VERSION_CODENAME"
    cat >/etc/apt/sources.list.d/lug-debian-src.sources <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME $VERSION_CODENAME-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  step "installing: ${missing[*]}"
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$out/apt.log" 2>&1 ||
      { tail -30 "$out/apt.log" >&2; exit 1; }
  fi
fi

[ "$mode" != packages ] || exit 0

# --- MariaDB client library -----------------------------------------------------
if [ ! -f "$prefix/lib/libmariadbclient.a" ]; then
  src=$(ls -d "$third"/mariadb-*/ 2>/dev/null | head -1 || true)
  if [ -z "$src" ] || [ ! -d "$src/libmariadb" ]; then
    step "fetching Debian source package mariadb"
    # only the client library's directory is unpacked from the original tarball
    (cd "$third" && apt-get source -qq --download-only mariadb 2>&1 | grep -v 'unsandboxed' || true)
    orig=$(ls "$third"/mariadb_*.orig.tar.* 2>/dev/null | head -1)
    [ -n "$orig" ] || { echo "apt-get source mariadb delivered no source tarball" >&2; exit 1; }
    tar -xf "$orig" -C "$third" --wildcards '*/libmariadb/*'
    src=$(ls -d "$third"/mariadb-*/ | head -1)
  fi
  step "cross-building the MariaDB client library from $src/libmariadb"
  heavy bash "$root/scripts/windows-mariadb.sh" "${src%/}/libmariadb" "$third/build-libmariadb" "$prefix" "$jobs"
fi

# --- googletest -----------------------------------------------------------------
build_gtest() {
  cmake -S /usr/src/googletest -B "$third/build-gtest" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF \
    -Dgtest_force_shared_crt=ON >"$third/gtest-configure.log" 2>&1 ||
    { cat "$third/gtest-configure.log" >&2; exit 1; }
  cmake --build "$third/build-gtest" -j"$jobs" >"$third/gtest-build.log" 2>&1 ||
    { tail -40 "$third/gtest-build.log" >&2; exit 1; }
  cmake --install "$third/build-gtest" >/dev/null
}
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  step "cross-building googletest from /usr/src/googletest"
  heavy build_gtest
fi

# --- the project ------------------------------------------------------------------
build_project() {
  cmake -S . -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DLUG_WERROR=ON -DLUG_BENCH=OFF \
    >/dev/null || return 1
  cmake --build "$out/build" -j"$jobs" >"$out/build.log" 2>&1
}
step "building lugtransfer.exe, lugtransfer-ini.exe, lugtests.exe"
heavy build_project ||
  { grep -E -A8 'error|Error' "$out/build.log" | head -80 >&2; echo "== [windows] FAILED: build (log $out/build.log)" >&2; exit 1; }
ls -l "$out/build/lugtransfer.exe" "$out/build/lugtransfer-ini.exe"
# Nothing but Windows' own DLLs may be needed at run time.
foreign=$(x86_64-w64-mingw32-objdump -p "$out/build/lugtransfer.exe" | awk '/DLL Name:/ {print $3}' |
  grep -viE '^(kernel32|user32|advapi32|ws2_32|secur32|crypt32|bcrypt|shlwapi|msvcrt|ucrtbase|ntdll|ole32|shell32|rpcrt4|api-ms-win-.*)\.dll$' || true)
if [ -n "$foreign" ]; then
  echo "lugtransfer.exe needs DLLs that Windows does not ship: $foreign" >&2
  exit 1
fi

# The ZIP for Windows: the two exes as built, the install note with CR LF line
# ends, the README and the table definitions, in one folder named after the
# version.
step "ZIP package (cpack)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/build/CMakeCache.txt")
zipdir=lugtransfer-$version-win64
zip=$out/build/$zipdir.zip
rm -f "$out/build"/lugtransfer-*-win64.zip
(cd "$out/build" && cpack -G ZIP >cpack.log 2>&1) ||
  { cat "$out/build/cpack.log" >&2; echo "== [windows] FAILED: cpack" >&2; exit 1; }
unzip -l "$zip"
zip_files=$(unzip -Z1 "$zip")
for f in lugtransfer.exe lugtransfer-ini.exe INSTALL-windows.txt README.md sql/schema.sql sql/darvonix.sql; do
  grep -qxF "$zipdir/$f" <<<"$zip_files" || { echo "== [windows] FAILED: $zip lacks $f" >&2; exit 1; }
done
for exe in lugtransfer.exe lugtransfer-ini.exe; do
  unzip -p "$zip" "$zipdir/$exe" | cmp -s - "$out/build/$exe" ||
    { echo "== [windows] FAILED: $exe in $zip is not the one built" >&2; exit 1; }
done
note_lines=$(unzip -p "$zip" "$zipdir/INSTALL-windows.txt" | wc -l)
if [ "$note_lines" = 0 ] || [ "$(unzip -p "$zip" "$zipdir/INSTALL-windows.txt" | grep -c $'\r$')" != "$note_lines" ]; then
  echo "== [windows] FAILED: INSTALL-windows.txt in $zip has not CR LF on every line" >&2
  exit 1
fi
step "build done"
if [ "$mode" != test ]; then
  step_summary
  exit 0
fi

# --- tests under wine ------------------------------------------------------------
export WINEPREFIX=$out/wine
export WINEDEBUG=-all
export WINEARCH=win64
wine=$(command -v wine) || { echo "wine not found" >&2; exit 1; }
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  step "creating the wine prefix"
  WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 "$wine" wineboot --init >/dev/null 2>&1 || true
  "$wineserver" -w 2>/dev/null || true
fi

port=${LUG_WIN_DB_PORT:-33061}
export LUG_DB_DIR=$out/db
started=0
if ! LUG_DB_PORT=$port scripts/db-server.sh status >/dev/null 2>&1; then
  LUG_DB_PORT=$port scripts/db-server.sh start >/dev/null
  started=1
fi
cleanup() {
  if [ "$started" = 1 ]; then LUG_DB_DIR=$out/db scripts/db-server.sh stop >/dev/null || true; fi
  "$wineserver" -k 2>/dev/null || true
}
trap cleanup EXIT

export LUG_DB_HOST=127.0.0.1 LUG_DB_PORT=$port
# one log per process: the group's filter, and the shard of it
groups=("FaultRun.*" "WriteBatchRuns.*" "-FaultRun.*:WriteBatchRuns.*" "-FaultRun.*:WriteBatchRuns.*")
shards=("" "" "0 2" "1 2")
if [ "${LUG_WIN_TEST_SERIAL:-0}" = 1 ]; then
  groups=("*")
  shards=("")
fi
run_tests() { # LOG FILTER [SHARD_INDEX SHARD_COUNT]
  local log=$1 filter=$2 rc=0
  if [ $# -ge 4 ]; then export GTEST_SHARD_INDEX=$3 GTEST_TOTAL_SHARDS=$4; fi
  (cd "$out/build" && timeout "${LUG_WIN_TEST_TIMEOUT:-1500}" "$wine" lugtests.exe --gtest_filter="$filter" \
    >"$log.crlf" 2>&1) || rc=$?
  tr -d '\r' <"$log.crlf" >"$log" && rm -f "$log.crlf"
  return "$rc"
}
step "running the test suite under wine in ${#groups[@]} process(es) (server 127.0.0.1:$port)"
log=$out/wine-tests.log
rm -f "$out"/wine-tests*.log
pids=()
for i in "${!groups[@]}"; do
  # shellcheck disable=SC2086
  run_tests "$out/wine-tests-$i.log" "${groups[$i]}" ${shards[$i]} &
  pids+=($!)
done
status=0
failed=()
for i in "${!groups[@]}"; do
  rc=0
  wait "${pids[$i]}" || rc=$?
  part=$out/wine-tests-$i.log
  if [ "$rc" -eq 0 ] && ! grep -qE '^\[  PASSED  \] [1-9][0-9]* tests?\.$' "$part"; then
    echo "== [windows] the test program (filter ${groups[$i]}) ended without a test summary" >&2
    rc=1
  fi
  if [ "$rc" -ne 0 ]; then
    if [ "$rc" = 124 ]; then echo "== [windows] tests ${groups[$i]} ${shards[$i]} timed out under wine" >&2; fi
    status=$rc
    failed+=("$part")
  fi
done
cat "$out"/wine-tests-*.log >"$log"
# skipped tests with their reason (the line before), then the summary
grep -B1 -E '^\[  SKIPPED \] .* \([0-9]+ ms\)$' "$log" | grep -v '^--$' | paste -d' ' - - |
  sed -E 's/^(.*) \[  SKIPPED \] ([^ ]+) .*/   skipped on Windows: \2 - \1/' || true
for i in "${!groups[@]}"; do
  echo "   process $((i + 1)): filter ${groups[$i]}${shards[$i]:+, shard ${shards[$i]% *} of ${shards[$i]#* }}"
  grep -E '^\[==========\]|^\[  (PASSED|FAILED) ' "$out/wine-tests-$i.log" | tail -30 | sed 's/^/     /' || true
done
passed=$(grep -hE '^\[  PASSED  \] [0-9]+ tests?\.$' "$out"/wine-tests-*.log | awk '{n += $4} END {print n + 0}')
echo "   $passed tests passed under wine"
if [ "$status" -ne 0 ]; then
  for part in "${failed[@]}"; do
    echo "== [windows] FAILED (exit $status); last lines of $part:" >&2
    grep -B2 -A12 'Failure\|FAILED' "$part" | tail -80 >&2 || tail -60 "$part" >&2
  done
  exit 1
fi
step "test suite passed under wine"

# --- demo: the exe under wine and the Linux build on the same data --------------
# Both runs settle the demo company from the same fresh schema; the transfer
# file, the pointer file, the deleted older file, the log (database times
# masked) and the console lines (line ends aside) must be the same.
# (Beside scripts/test.sh the Linux programs come from its build; holding the
# lock, the check waits for that build to end.)
linux_exe=$root/build/lugtransfer
linux_programs() {
  if [ ! -x "$linux_exe" ] || [ ! -x "$root/build/lugtransfer-ini" ]; then
    step "building the Linux program for the comparison"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug -DLUG_WERROR=ON >/dev/null
    cmake --build build -j"$jobs" --target lugtransfer lugtransfer-ini >/dev/null
  fi
}
heavy linux_programs
sql() { mariadb --no-defaults --socket="$out/db/mysqld.sock" -uroot "$@"; }
demo_run() { # NAME COMMAND...: fresh schema and tree, one run, results under $out/demo-NAME
  local name=$1 tree=$out/demo-$1
  shift
  sql -e "DROP DATABASE IF EXISTS LUGDEMOW; CREATE DATABASE LUGDEMOW CHARACTER SET latin1;"
  sql -e "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = 'darvonix'" -N | grep -qv '^0$' ||
    { sql <db/darvonix.sql && sql -e "CALL Darvonix.FillCalendar(2015, 2035)"; }
  sql LUGDEMOW <db/schema.sql
  sql LUGDEMOW <db/demo.sql
  rm -rf "$tree"
  mkdir -p "$tree/bin" "$tree/Files" "$tree/Quantivel_php/log" "$tree/Transfer/Lohn- und Gehaltsübergabe"
  printf 'alt\r\n' >"$tree/Transfer/Lohn- und Gehaltsübergabe/datev.csv"
  if [ "$name" = windows ]; then
    (cd "$tree" && timeout 300 "$wine" "$out/build/lugtransfer-ini.exe" 'Files\quantivel.ini' lug lug "127.0.0.1:$port")
  else
    "$root/build/lugtransfer-ini" "$tree/Files/quantivel.ini" lug lug "127.0.0.1:$port"
  fi
  local code=0
  (cd "$tree/bin" && "$@" localhost LUGDEMOW D1 11 0 >"$tree/console.txt" 2>"$tree/stderr.txt") || code=$?
  echo "$code" >"$tree/exit.txt"
  sed -E 's/[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}/<time>/g' \
    "$tree/Quantivel_php/log/log#lug.txt" >"$tree/log-masked.txt"
  tr -d '\r' <"$tree/console.txt" >"$tree/console-lf.txt"
}
step "demo: Linux build and lugtransfer.exe under wine on the same data"
demo_run linux "$linux_exe"
demo_run windows timeout 300 "$wine" "$out/build/lugtransfer.exe"
same=1
for f in exit.txt console-lf.txt log-masked.txt Files/quantivel.ini \
  "Transfer/Lohn und Gehalt/Export/LUGDEMOW/datev.csv" "Transfer/Lohn- und Gehaltsübergabe/README.TXT"; do
  if [ -f "$out/demo-linux/$f" ] && cmp -s "$out/demo-linux/$f" "$out/demo-windows/$f"; then
    echo "   same: $f ($(wc -c <"$out/demo-windows/$f") bytes)"
  else
    echo "   DIFFERS or missing: $f" >&2
    same=0
  fi
done
if [ -e "$out/demo-windows/Transfer/Lohn- und Gehaltsübergabe/datev.csv" ]; then
  echo "   the older datev.csv was not deleted under wine" >&2
  same=0
fi
if ! grep -q $'\r$' "$out/demo-windows/console.txt"; then
  echo "   the console of the exe has no CR LF line ends" >&2
  same=0
fi
if [ "$same" != 1 ]; then
  echo "== [windows] FAILED: the demo run under wine differs from the Linux run (trees in $out/demo-*)" >&2
  exit 1
fi
step "all Windows tests passed under wine; the demo run matches the Linux build"
step_summary
