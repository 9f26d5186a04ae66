#!/usr/bin/env bash
# Builds the Windows (x86_64, mingw-w64) libraries Brindle links against from Debian 12's
# source packages, with Debian's patches applied, into one prefix that later runs reuse:
# GoogleTest, hidapi, nlohmann-json, libcurl and a static Qt. Patches of our own, where a
# library needs one, are in scripts/windows-deps/.
#
#   prefix=$(scripts/windows-deps.sh)
#
# Only the prefix goes to stdout; progress goes to stderr, build output to log files.
# The prefix is named for the cross compiler that built it. Each library carries a stamp
# keyed by its Debian version and a hash of its own recipe below (and of the toolchain
# file), so an unchanged machine reuses it in seconds and a new version, say a security
# update of curl, rebuilds that one library alone. A library is installed and stamped as
# soon as it is built, so a caller may use the fast ones while Qt still builds.
#
# Environment: BRINDLE_WINDOWS_CACHE (default /var/cache/brindle/windows, or the user's
# cache folder where that cannot be made),
# BRINDLE_JOBS (default 2), BRINDLE_WINDOWS_OFFLINE=1 to use the sources already fetched,
# BRINDLE_WINDOWS_INDEX_HOURS (below), BRINDLE_WINDOWS_QT=0 to leave Qt out (the console
# program and the toolkit-free tests need none of it).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
if [ -z "${BRINDLE_WINDOWS_CACHE:-}" ]; then
  BRINDLE_WINDOWS_CACHE=/var/cache/brindle/windows
  if [ "$(id -u)" -ne 0 ] && ! mkdir -p "$BRINDLE_WINDOWS_CACHE" 2>/dev/null; then
    BRINDLE_WINDOWS_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/brindle/windows
  fi
fi
cache=$BRINDLE_WINDOWS_CACHE
jobs=${BRINDLE_JOBS:-2}
triple=x86_64-w64-mingw32

say() { printf 'windows-deps: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# --- Host packages ------------------------------------------------------------------------
host_packages=(
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev wine wine64 fonts-wine xvfb nsis dpkg-dev cmake ninja-build xz-utils
  qt6-base-dev qt6-base-dev-tools nlohmann-json3-dev ca-certificates patch
)
mapfile -t missing < <(
  dpkg-query -W -f '${Package} ${db:Status-Status}\n' "${host_packages[@]}" 2>/dev/null \
    | awk -v want="${host_packages[*]}" '$2 == "installed" { ok[$1] = 1 }
           END { n = split(want, p, " "); for (i = 1; i <= n; i++) if (!ok[p[i]]) print p[i] }'
)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  say "installing ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >&2
fi

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9 # one build at a time; a second caller waits and then finds the stamps

cc_id=$("$triple-gcc-posix" -dumpfullversion)-$(dpkg-query -W -f '${Version}' mingw-w64-x86-64-dev)
prefix=$cache/$triple-gcc$cc_id
prefix=${prefix//[^A-Za-z0-9._\/-]/_}
stamps=$prefix/.brindle
mkdir -p "$stamps" "$cache/logs" "$cache/build" "$cache/src"
export BRINDLE_WINDOWS_PREFIX=$prefix

# Configure-time checks may run test programs under Wine: keep its prefix in the cache
# and its chatter off.
export WINEPREFIX=$cache/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# --- Debian sources through a private apt configuration ----------------------------------
# The system's own apt configuration stays untouched: the deb-src list, the downloaded
# indexes and apt's caches live under $cache/apt. The mirror is the one the system uses.
aptdir=$cache/apt
apt_opts=(
  -o "Dir::Etc::SourceList=$aptdir/sources.list" -o "Dir::Etc::SourceParts=$aptdir/sources.list.d"
  -o "Dir::State::Lists=$aptdir/lists" -o "Dir::Cache=$aptdir/cache"
  -o "APT::Sandbox::User=root" -o "Debug::NoLocking=1"
)
mkdir -p "$aptdir/sources.list.d" "$aptdir/lists/partial" "$aptdir/cache/archives/partial"
apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Origin: Debian' \
  | awk '$2 ~ /^bookworm(-updates|-security)?$/ && $3 == "main" { print "deb-src", $1, $2, $3 }' \
  | sort -u >"$aptdir/sources.list.new"
[ -s "$aptdir/sources.list.new" ] || die "the system's apt sources name no Debian 12 (bookworm) mirror"
if ! cmp -s "$aptdir/sources.list.new" "$aptdir/sources.list"; then rm -f "$aptdir/refreshed"; fi
mv "$aptdir/sources.list.new" "$aptdir/sources.list"

# The index is refreshed when it is older than BRINDLE_WINDOWS_INDEX_HOURS (default 6):
# a new Debian version, a security update say, is then built within hours, and runs in
# between skip the mirror. BRINDLE_WINDOWS_INDEX_HOURS=0 refreshes every time.
max_age=$(( ${BRINDLE_WINDOWS_INDEX_HOURS:-6} * 60 ))
if [ "${BRINDLE_WINDOWS_OFFLINE:-0}" != 1 ] \
   && ! find "$aptdir/refreshed" -mmin "-$max_age" 2>/dev/null | grep -q .; then
  if apt-get "${apt_opts[@]}" -qq update >"$cache/logs/apt-update.log" 2>&1; then
    touch "$aptdir/refreshed"
  else
    say "could not refresh the source index (see $cache/logs/apt-update.log); using the last one"
  fi
fi

# Newest version of a source package in the private index, or of the one fetched last.
source_version() {
  local v best=""
  for v in $(apt-cache "${apt_opts[@]}" showsrc --only-source "$1" 2>/dev/null \
               | awk '/^Version:/ { print $2 }'); do
    if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done
  if [ -z "$best" ] && [ -f "$cache/src/$1.version" ]; then best=$(cat "$cache/src/$1.version"); fi
  [ -n "$best" ] || die "no source package $1 in $aptdir/sources.list"
  printf '%s\n' "$best"
}

# Fetches (once) and unpacks a source package with Debian's patches applied; prints the tree.
unpack_source() {
  # dpkg-source copies the tarballs beside the tree: both go with $cache/build/NAME-src.
  local name=$1 version=$2 dl=$cache/src/${1}_${2//:/%} tree=$cache/build/$1-src/tree
  if ! ls "$dl"/*.dsc >/dev/null 2>&1; then
    mkdir -p "$dl.part"
    (cd "$dl.part" && apt-get "${apt_opts[@]}" -qq source --download-only "$name=$version") \
      >"$cache/logs/$name-fetch.log" 2>&1 || die "fetching $name $version failed (see $cache/logs/$name-fetch.log)"
    rm -rf "$dl" && mv "$dl.part" "$dl"
  fi
  printf '%s\n' "$version" >"$cache/src/$name.version"
  rm -rf "$(dirname "$tree")" && mkdir -p "$(dirname "$tree")"
  dpkg-source --no-check -x "$dl"/*.dsc "$tree" >"$cache/logs/$name-unpack.log" 2>&1 \
    || die "unpacking $name failed (see $cache/logs/$name-unpack.log)"
  printf '%s\n' "$tree"
}

cmake_cross() { # source build [cmake arguments...]
  local src=$1 bld=$2; shift 2
  rm -rf "$bld"
  cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DBRINDLE_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF "$@"
  cmake --build "$bld" -j "$jobs"
  cmake --install "$bld"
  cp "$bld/install_manifest.txt" "$manifest"
}

# --- Recipes: each installs into $prefix and lists what it installed in $manifest --------
build_googletest() {
  local src
  src=$(unpack_source googletest "$version")
  cmake_cross "$src" "$cache/build/googletest" \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

build_hidapi() {
  local src
  src=$(unpack_source hidapi "$version")
  local p
  for p in "$root/scripts/windows-deps/hidapi-"*.patch; do patch -d "$src" -p1 <"$p"; done
  cmake_cross "$src" "$cache/build/hidapi" \
    -DHIDAPI_BUILD_HIDTEST=OFF
}

# Headers only, taken from Debian's package of the same version; its CMake package is
# copied too, so find_package(nlohmann_json) finds this copy and never the host's /usr.
build_nlohmann_json() {
  mkdir -p "$prefix/include" "$prefix/share/cmake"
  cp -r /usr/include/nlohmann "$prefix/include/"
  cp -r /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"
  find "$prefix/include/nlohmann" "$prefix/share/cmake/nlohmann_json" -type f >"$manifest"
}

# HTTP and HTTPS only, on Windows' own TLS (Schannel) and certificate store.
build_curl() {
  local src
  src=$(unpack_source curl "$version")
  cmake_cross "$src" "$cache/build/curl" \
    -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DBUILD_LIBCURL_DOCS=OFF \
    -DHTTP_ONLY=ON -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_WINDOWS_SSPI=ON \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF \
    -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBPSL=OFF \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF \
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DENABLE_THREADED_RESOLVER=ON
}

# Static, so the programs are single files and the installer needs no Qt DLLs or plugin
# folders. Only the modules the programs and their tests use (Core, Gui, Widgets, Test: the
# Windows single instance needs no sockets, so no Network); the platform plugins are
# windows (the desktop) and offscreen (tests, no display). The host's Qt of the same
# version provides moc, rcc and uic. Debian's tarball lacks the Wintab headers, hence no
# tablet events; OpenGL stays on because the windows platform plugin needs it.
build_qt6_base() {
  local src
  src=$(unpack_source qt6-base "$version")
  for p in "$root/scripts/windows-deps/qt6-base-"*.patch; do patch -d "$src" -p1 <"$p"; done
  cmake_cross "$src" "$cache/build/qt6-base" \
    -DQT_HOST_PATH=/usr -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DQT_BUILD_BENCHMARKS=OFF -DQT_BUILD_MANUAL_TESTS=OFF -DQT_GENERATE_SBOM=OFF \
    -DFEATURE_openssl=OFF -DFEATURE_schannel=ON -DFEATURE_tabletevent=OFF \
    -DFEATURE_opengl=ON -DFEATURE_network=OFF -DFEATURE_testlib=ON -DFEATURE_widgets=ON \
    -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_xml=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_brotli=OFF \
    -DFEATURE_zstd=OFF -DFEATURE_glib=OFF -DFEATURE_icu=OFF -DFEATURE_sql_sqlite=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_libb2=OFF -DFEATURE_system_doubleconversion=OFF
}

resume_cmake() { # build
  cmake --build "$1" -j "$jobs"
  cmake --install "$1"
  cp "$1/install_manifest.txt" "$manifest"
}

toolchain_hash=$(sha256sum "$toolchain" | cut -c1-16)

# Builds one library unless its stamp matches; prints a summary line either way.
package() { # debian-source-name recipe-function
  local name=$1 recipe=$2 key start
  version=$(if [ "$name" = nlohmann-json3 ]; then dpkg-query -W -f '${Version}' nlohmann-json3-dev
            else source_version "$name"; fi)
  key="$version $(declare -f "$recipe" cmake_cross | sha256sum | cut -c1-16) $toolchain_hash"
  # Our own patches on top of Debian's (scripts/windows-deps/NAME-*.patch).
  if compgen -G "$root/scripts/windows-deps/$name-*.patch" >/dev/null; then
    key="$key $(cat "$root/scripts/windows-deps/$name-"*.patch | sha256sum | cut -c1-16)"
  fi
  if [ -f "$stamps/$name.ready" ] && [ "$(cat "$stamps/$name.ready")" = "$key" ]; then
    say "$(printf '%-15s %-28s cached' "$name" "$version")"
    return
  fi
  # A stale build of this library leaves first, so nothing old mixes with the new one.
  if [ -f "$stamps/$name.files" ]; then
    xargs -d '\n' rm -f <"$stamps/$name.files" || true
  fi
  rm -f "$stamps/$name.ready" "$stamps/$name.files"
  manifest=$stamps/$name.files.new
  start=$SECONDS
  # A build cut short (machine stopped, job killed) with the same recipe goes on where it
  # stopped: Qt takes long enough for that to matter.
  local bld=$cache/build/$name step=("$recipe") rc=0 to=">"
  if [ -f "$bld.key" ] && [ "$(cat "$bld.key")" = "$key" ] && [ -f "$bld/build.ninja" ]; then
    step=(resume_cmake "$bld")
    to=">>"
    say "resuming $name $version (log: $cache/logs/$name.log)"
  else
    say "building $name $version (log: $cache/logs/$name.log)"
  fi
  printf '%s\n' "$key" >"$bld.key"
  # errexit must hold inside the recipe, which it would not as an if condition.
  set +e
  if [ "$to" = ">>" ]; then
    (set -e; "${step[@]}") >>"$cache/logs/$name.log" 2>&1
  else
    (set -e; "${step[@]}") >"$cache/logs/$name.log" 2>&1
  fi
  rc=$?
  set -e
  if [ "$rc" -ne 0 ]; then
    tail -n 30 "$cache/logs/$name.log" >&2
    die "$name failed; the full log is $cache/logs/$name.log"
  fi
  mv "$manifest" "$stamps/$name.files"
  printf '%s\n' "$key" >"$stamps/$name.ready"
  rm -rf "$bld" "$bld-src" "$bld.key"
  say "$(printf '%-15s %-28s built in %ss' "$name" "$version" $((SECONDS - start)))"
}

total=$SECONDS
package googletest build_googletest
package hidapi build_hidapi
package nlohmann-json3 build_nlohmann_json
package curl build_curl
if [ "${BRINDLE_WINDOWS_QT:-1}" != 0 ]; then
  package qt6-base build_qt6_base
fi
say "all ready in $((SECONDS - total))s: $prefix ($(du -sh "$prefix" | cut -f1))"
printf '%s\n' "$prefix"
