#!/usr/bin/env bash
# Windows build: cross-builds lugtransfer.exe and lugtransfer-ini.exe with
# mingw-w64 (posix threads) on Debian, statically linked, warnings as errors.
#
#   scripts/windows-build.sh          build only
#   scripts/windows-build.sh test     build, then run the whole test suite under
#                                     wine against the private server over TCP
#
# Installs what is missing (as root): mingw-w64, wine64, a deb-src entry for
# Debian's own archive. The MariaDB client library comes from Debian's source
# package "mariadb" (its libmariadb directory), cross-built once into
# build-win/third-party and reused; googletest from Debian's googletest sources.
# Everything lands under build-win/ (ignored by git).
#
# Environment: LUG_JOBS (default 2), LUG_WIN_DB_PORT (default 33061),
# LUG_WIN_TEST_TIMEOUT (seconds for the suite, default 1500).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${LUG_JOBS:-2}
out=$root/build-win
third=$out/third-party
prefix=$third/prefix
mode=${1:-build}
case "$mode" in build | test) ;; *) echo "usage: $0 [test]" >&2; exit 2 ;; esac

step_start=$(date +%s)
step() {
  local now
  now=$(date +%s)
  echo "== [windows $((now - step_start))s] $*"
}

# --- packages -----------------------------------------------------------------
packages=(cmake make dpkg-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine64 wine googletest mariadb-server mariadb-client)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
have_src() { grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; }
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
  if [ "$need_src" = 1 ]; then
    # Source entries for Debian's own archive, the same suites as the binaries.
    . /etc/os-release
    step "adding deb-src for $VERSION_CODENAME"
    cat >/etc/apt/sources.list.d/lug-debian-src.sources <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME $VERSION_CODENAME-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $VERSION_CODENAME-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  step "installing: ${missing[*]}"
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$root/build-win-apt.log" 2>&1 ||
      { tail -30 "$root/build-win-apt.log" >&2; exit 1; }
    rm -f "$root/build-win-apt.log"
  fi
fi
mkdir -p "$out" "$third"

# --- MariaDB client library -----------------------------------------------------
if [ ! -f "$prefix/lib/libmariadbclient.a" ]; then
  src=$(ls -d "$third"/mariadb-*/ 2>/dev/null | head -1 || true)
  if [ -z "$src" ] || [ ! -d "$src/libmariadb" ]; then
    step "fetching Debian source package mariadb"
    (cd "$third" && apt-get source -qq --download-only mariadb >/dev/null &&
      dpkg-source -x --skip-patches "$(ls mariadb_*.dsc | head -1)" >/dev/null)
    src=$(ls -d "$third"/mariadb-*/ | head -1)
  fi
  step "cross-building the MariaDB client library from $src/libmariadb"
  bash "$root/scripts/windows-mariadb.sh" "${src%/}/libmariadb" "$third/build-libmariadb" "$prefix" "$jobs"
fi

# --- googletest -----------------------------------------------------------------
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  step "cross-building googletest from /usr/src/googletest"
  cmake -S /usr/src/googletest -B "$third/build-gtest" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF \
    -Dgtest_force_shared_crt=ON >"$third/gtest-configure.log" 2>&1 ||
    { cat "$third/gtest-configure.log" >&2; exit 1; }
  cmake --build "$third/build-gtest" -j"$jobs" >"$third/gtest-build.log" 2>&1 ||
    { tail -40 "$third/gtest-build.log" >&2; exit 1; }
  cmake --install "$third/build-gtest" >/dev/null
fi

# --- the project ------------------------------------------------------------------
step "building lugtransfer.exe, lugtransfer-ini.exe, lugtests.exe"
cmake -S . -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DLUG_WERROR=ON -DLUG_BENCH=OFF \
  >/dev/null
cmake --build "$out/build" -j"$jobs"
ls -l "$out/build/lugtransfer.exe" "$out/build/lugtransfer-ini.exe"
# Nothing but Windows' own DLLs may be needed at run time.
foreign=$(x86_64-w64-mingw32-objdump -p "$out/build/lugtransfer.exe" | awk '/DLL Name:/ {print $3}' |
  grep -viE '^(kernel32|user32|advapi32|ws2_32|secur32|crypt32|bcrypt|shlwapi|msvcrt|ucrtbase|ntdll|ole32|shell32|rpcrt4|api-ms-win-.*)\.dll$' || true)
if [ -n "$foreign" ]; then
  echo "lugtransfer.exe needs DLLs that Windows does not ship: $foreign" >&2
  exit 1
fi
step "build done"
[ "$mode" = test ] || exit 0

# --- tests under wine ------------------------------------------------------------
export WINEPREFIX=$out/wine
export WINEDEBUG=-all
export WINEARCH=win64
wine=$(command -v wine) || { echo "wine not found" >&2; exit 1; }
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  step "creating the wine prefix"
  WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot --init >/dev/null 2>&1 || true
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

step "running the test suite under wine (server 127.0.0.1:$port)"
export LUG_DB_HOST=127.0.0.1 LUG_DB_PORT=$port
export WINEPATH=
log=$out/wine-tests.log
status=0
(cd "$out/build" && timeout "${LUG_WIN_TEST_TIMEOUT:-1500}" "$wine" lugtests.exe --gtest_brief=0 >"$log" 2>&1) || status=$?
grep -E '^\[  (PASSED|FAILED|SKIPPED) |^\[==========\]|^\[  FAILED  \]|tests? (ran|passed)' "$log" | tail -40 || true
skipped=$(grep -c '^\[  SKIPPED \]' "$log" || true)
echo "skipped under wine: $skipped (reasons in $log)"
if [ "$status" -ne 0 ]; then
  if [ "$status" = 124 ]; then echo "== [windows] test suite timed out under wine" >&2; fi
  echo "== [windows] FAILED (exit $status); last lines of $log:" >&2
  grep -B2 -A12 'Failure\|FAILED' "$log" | tail -80 >&2 || tail -60 "$log" >&2
  exit 1
fi
step "all Windows tests passed under wine"
