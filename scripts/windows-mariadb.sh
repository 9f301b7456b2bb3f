#!/usr/bin/env bash
# Cross-builds the MariaDB client library (the libmariadb directory of
# Debian's mariadb source package) as a static library for Windows with the
# mingw-w64 toolchain: authentication plugins built in, TLS through Windows'
# own schannel, no curl, no iconv, no tests.
#
#   scripts/windows-mariadb.sh SOURCE_DIR BUILD_DIR INSTALL_PREFIX [JOBS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=$1 build=$2 prefix=$3 jobs=${4:-2}

plugins=()
for p in MYSQL_NATIVE_PASSWORD DIALOG CLIENT_ED25519 CACHING_SHA2_PASSWORD SHA256_PASSWORD \
  MYSQL_OLD_PASSWORD MYSQL_CLEAR_PASSWORD; do
  plugins+=("-DCLIENT_PLUGIN_$p=STATIC")
done
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DWITH_UNIT_TESTS=OFF -DWITH_CURL=OFF -DWITH_SSL=SCHANNEL -DWITH_EXTERNAL_ZLIB=OFF \
  -DWITH_ICONV=OFF -DWITH_MSI=OFF -DCLIENT_PLUGIN_AUTH_GSSAPI_CLIENT=OFF \
  -DCLIENT_PLUGIN_REMOTE_IO=OFF -DCLIENT_PLUGIN_PVIO_NPIPE=STATIC -DCLIENT_PLUGIN_PVIO_SHMEM=STATIC \
  "${plugins[@]}" >"$build.configure.log" 2>&1 ||
  { tail -40 "$build.configure.log" >&2; exit 1; }
cmake --build "$build" -j"$jobs" --target mariadbclient >"$build.build.log" 2>&1 ||
  { grep -B2 -A6 'error' "$build.build.log" | head -60 >&2; exit 1; }
mkdir -p "$prefix/lib" "$prefix/include/mariadb"
cp "$(find "$build" -name libmariadbclient.a | head -1)" "$prefix/lib/"
cp -r "$src"/include/*.h "$build"/include/*.h "$prefix/include/mariadb/" 2>/dev/null || true
cp -r "$src/include/mariadb" "$src/include/mysql" "$prefix/include/mariadb/" 2>/dev/null || true
echo "MariaDB client library: $prefix/lib/libmariadbclient.a"
