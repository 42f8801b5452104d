# Set-up, build and run steps shared by ./orbelle's commands.
build="$root/build"
deps="$build/_deps"
# Two programs from the same sources: ARCH 64 (x86-64, what users of 64-bit
# Windows install, and the one `run` starts) and 32 (i686). Each has its
# build folder, program folder and Wine prefix; scripts/wine starts the Wine
# of each (Debian's `wine` wrapper cannot be trusted to).
win_build() { if [ "$1" = 64 ]; then echo "$build/win64"; else echo "$build/win"; fi; }
dist_of() { if [ "$1" = 64 ]; then echo "$build/dist/Orbelle-x64"; else echo "$build/dist/Orbelle"; fi; }
setup_name() { if [ "$1" = 64 ]; then echo OrbelleSetup-x64.exe; else echo OrbelleSetup.exe; fi; }
wine_run() { "$root/scripts/wine" "$@"; }  # ARCH PROGRAM [ARGS...]
# The architectures whose programs this machine runs: 64 always, 32 where
# the kernel runs i386 code.
runnable_archs() { if "$root/scripts/wine" runs32 >/dev/null; then echo 64 32; else echo 64; fi; }

sqlite_pkg=better-sqlite3@12.11.1
sqlite_c_sha256=60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422
sqlite_h_sha256=9e69a1353a4288450b0d5239ede11fc7f1f4c8e5eb07491fc8317eacb5b7de7e

# wine32:i386 installs even where the kernel cannot run it (scripts/wine runs32).
apt_packages=(cmake g++ make libgtest-dev libbenchmark-dev libical-dev pkg-config g++-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils xdotool imagemagick sox python3 nsis
  radicale xandikos openssl)

log() { printf '\033[1m== %s\033[0m\n' "$*" >&2; }

install_packages() {
  local missing=()
  for p in "${apt_packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  # npm fetches the SQLite sources; a machine may have it from outside Debian.
  command -v npm >/dev/null 2>&1 || missing+=(npm)
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  local sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

fetch_sqlite() {
  local dir="$deps/sqlite"
  if [ -f "$dir/sqlite3.c" ] && echo "$sqlite_c_sha256  $dir/sqlite3.c" | sha256sum -c --quiet 2>/dev/null; then
    return 0
  fi
  log "fetching the SQLite amalgamation ($sqlite_pkg)"
  local tmp; tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "$sqlite_pkg" >/dev/null && tar xzf ./*.tgz package/deps/sqlite3)
  echo "$sqlite_c_sha256  $tmp/package/deps/sqlite3/sqlite3.c" | sha256sum -c --quiet
  echo "$sqlite_h_sha256  $tmp/package/deps/sqlite3/sqlite3.h" | sha256sum -c --quiet
  mkdir -p "$dir"
  cp "$tmp/package/deps/sqlite3/sqlite3.c" "$tmp/package/deps/sqlite3/sqlite3.h" "$dir/"
  rm -rf "$tmp"
}

setup() {
  install_packages
  fetch_sqlite
}

cmake_build() {  # dir, extra cmake args...
  local dir=$1; shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -DORBELLE_SQLITE_DIR="$deps/sqlite" "$@" >/dev/null
  fi
  cmake --build "$dir" -j"$(nproc)" -- --no-print-directory
}

make_assets() {
  local out="$build/assets" stamp="$build/assets/.stamp"
  if [ ! -f "$stamp" ] || [ -n "$(find "$root/resources" -type f -newer "$stamp" | head -1)" ]; then
    log "making pictures and sounds"
    rm -rf "$out"; mkdir -p "$out"
    bash "$root/resources/make-assets.sh" "$out"
    touch "$stamp"
  fi
}

layout_dist() {  # ARCH
  local dist; dist=$(dist_of "$1")
  local strip=i686-w64-mingw32-strip; [ "$1" = 64 ] && strip=x86_64-w64-mingw32-strip
  mkdir -p "$dist"
  cp -a "$build/assets/dist/." "$dist/"
  $strip -o "$dist/Orbelle.exe" "$(win_build "$1")/Orbelle.exe"
}

build_all() {
  make_assets
  log "building the native logic and tests"
  cmake_build "$build/native"
  local arch toolchain
  for arch in 64 32; do
    toolchain=x86_64; [ "$arch" = 32 ] && toolchain=i686
    log "building the $arch-bit Orbelle.exe ($toolchain) and its Windows tests"
    cmake_build "$(win_build "$arch")" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$toolchain.cmake" \
      -DORBELLE_ASSETS_DIR="$build/assets"
    layout_dist "$arch"
  done
}

# The version text and its four numbers, from the one place they are written.
version_text() { sed -n 's/^#define ORBELLE_VERSION_TEXT "\(.*\)"$/\1/p' "$root/resources/version.h"; }
version_numbers() {
  sed -n 's/^#define ORBELLE_VERSION_NUMBERS \([0-9,]*\)$/\1/p' "$root/resources/version.h" | tr , .
}

# Builds the setup program from the program folder: the files it installs
# are the ones layout_dist puts there, never a db/ or Pellmar.ini a run has
# left in it.  Usage: package_setup ARCH [OUTFILE [VERSION VERSION_NUMBERS]]
package_setup() {
  local arch=$1
  local out=${2:-$build/dist/$(setup_name "$arch")}
  local version=${3:-$(version_text)} numbers=${4:-$(version_numbers)}
  local dist; dist=$(dist_of "$arch")
  local work="$build/installer$arch"
  rm -rf "$work"; mkdir -p "$work"
  (cd "$build/assets/dist" && find . -type f | sed 's|^\./||'; echo Orbelle.exe) | LC_ALL=C sort >"$work/files.txt"
  local file dir last=
  : >"$work/files.nsh"; : >"$work/unfiles.nsh"
  while IFS= read -r file; do
    dir=$(dirname "$file")
    if [ "$dir" != "$last" ]; then
      if [ "$dir" = . ]; then echo 'SetOutPath "$INSTDIR"'; else echo "SetOutPath \"\$INSTDIR\\${dir//\//\\}\""; fi
      last=$dir
    fi >>"$work/files.nsh"
    echo "File \"$dist/$file\"" >>"$work/files.nsh"
    echo "Delete \"\$INSTDIR\\${file//\//\\}\"" >>"$work/unfiles.nsh"
  done <"$work/files.txt"
  # Folders deepest first; RMDir leaves any that still hold the user's own files.
  sed -n 's|/[^/]*$||p' "$work/files.txt" | awk -F/ '{ for (i = NF; i >= 1; i--) { p = $1; for (j = 2; j <= i; j++) p = p "/" $j; print p } }' |
    LC_ALL=C sort -u -r | while IFS= read -r dir; do echo "RMDir \"\$INSTDIR\\${dir//\//\\}\""; done >>"$work/unfiles.nsh"
  local kb; kb=$(cd "$dist" && tr '\n' '\0' <"$work/files.txt" | du -ck --apparent-size --files0-from=- | tail -1 | cut -f1)
  sed 's/$/\r/' "$root/LICENSE" >"$work/License.txt"
  log "packaging Orbelle $version into $out"
  local target=(); [ "$arch" = 64 ] && target=(-DX64)
  makensis -V2 -INPUTCHARSET UTF8 "${target[@]}" -DVERSION="$version" -DVERSION_NUMBERS="$numbers" -DOUTFILE="$out" \
    -DICON="$build/assets/res/orbelle.ico" -DWIZARD_BITMAP="$build/assets/setup/wizard.bmp" \
    -DLICENSE_TEXT="$work/License.txt" -DFILES_NSH="$work/files.nsh" -DUNFILES_NSH="$work/unfiles.nsh" \
    -DINSTALLED_KB="$kb" "$root/installer/Orbelle.nsi" >&2
  log "$(basename "$out"): $(stat -c %s "$out") bytes"
}

package_setups() { package_setup 64; package_setup 32; }

xvfb_pid=
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n=77
  while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "Xvfb did not start" >&2; return 1
}

stop_display() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }

prefix_of() { if [ "$1" = 64 ]; then echo "${ORBELLE_WINEPREFIX:-$build/wineprefix64}"; else echo "${ORBELLE_WINEPREFIX:-$build/wineprefix}"; fi; }

# Makes the prefix of ARCH anew; what Wine says goes to the prefix's log
# (PREFIX.log), which a failure shows.
make_prefix() {  # ARCH
  local prefix; prefix=$(prefix_of "$1")
  wine_run "$1" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  wine_run "$1" wineboot -i >"$prefix.log" 2>&1 || true
  wine_run "$1" wineserver -w >>"$prefix.log" 2>&1 || true
}

# Writes where the program lives, as an installer would, into the 32-bit
# view of the machine's software key, where both programs read it. The path
# is Wine's Z: drive, the Linux root.
register_install_path() {  # ARCH
  local key='HKLM\SOFTWARE\Sorwick_Info'
  [ "$1" = 64 ] && key='HKLM\SOFTWARE\Wow6432Node\Sorwick_Info'
  local folder; folder="Z:$(dist_of "$1" | tr / '\\')"
  wine_run "$1" reg add "$key" /v 'install path' /t REG_SZ /d "$folder" /f >>"$(prefix_of "$1").log" 2>&1
}

ensure_prefix() {  # ARCH
  local prefix; prefix=$(prefix_of "$1")
  if [ ! -f "$prefix/system.reg" ]; then
    log "making the $1-bit Wine prefix"
    make_prefix "$1"
  fi
  register_install_path "$1" && return 0
  log "the $1-bit Wine prefix did not answer; making it again"
  make_prefix "$1"
  register_install_path "$1" && return 0
  local rc=$?
  echo "the $1-bit Wine prefix ($prefix) does not work (exit code $rc); Wine said:" >&2
  tail -n 60 "$prefix.log" >&2
  return 1
}

run_orbelle() {
  if [ ! -x /usr/lib/wine/wine64 ]; then echo "Orbelle cannot start here: the 64-bit Wine (wine64) is not installed" >&2; return 1; fi
  ensure_display || { echo "Orbelle cannot show a window here: no screen, and Xvfb did not start" >&2; return 1; }
  ensure_prefix 64
  local dist; dist=$(dist_of 64)
  log "starting the x86-64 Orbelle under Wine on $DISPLAY (the i686 one: build/dist/Orbelle)"
  (cd "$dist" && exec "$root/scripts/wine" 64 Orbelle.exe >/dev/null 2>&1) &
  local pid=$!
  sleep 4
  if ! kill -0 "$pid" 2>/dev/null; then
    local rc=0; wait "$pid" || rc=$?
    echo "Orbelle ended at once (exit code $rc): Wine could not run it on this machine" >&2; return 1
  fi
  local shot="$build/screenshot.png"
  import -window root "$shot"
  log "screenshot: $shot"
  if [ -n "$xvfb_pid" ]; then
    log "Orbelle runs on the virtual screen $DISPLAY; press Ctrl+C to end it"
    trap 'wine_run 64 wineserver -k; stop_display' EXIT
    wait "$xvfb_pid"
  fi
}

# The calendar servers the sync tests talk to, for the Windows suite only;
# with them running, a sync test that finds none fails instead of skipping.
start_sync_servers() {
  log "starting the calendar servers (Radicale, Xandikos) on loopback"
  "$root/scripts/sync-servers" start >/dev/null
  eval "$("$root/scripts/sync-servers" env)"
  export ORBELLE_SYNC_SERVERS_REQUIRED=1
}
stop_sync_servers() { "$root/scripts/sync-servers" stop || true; }

run_tests() {
  log "native tests"
  (cd "$build/native" && ctest --output-on-failure)
  ensure_display
  trap 'stop_display; stop_sync_servers' EXIT
  start_sync_servers
  local arch
  for arch in $(runnable_archs); do
    ensure_prefix "$arch"
    log "Windows tests of the $arch-bit program under the $arch-bit Wine"
    (cd "$(win_build "$arch")" && ctest --output-on-failure)
  done
  if [ "$(runnable_archs)" = 64 ]; then
    log "the 32-bit program was built (build/dist/Orbelle) but not run: $("$root/scripts/wine" runs32)"
  fi
  for arch in $(runnable_archs); do
    log "setup program tests of the $arch-bit setup under Wine"
    "$root/scripts/test-installer" --built "$arch"
  done
}
