# Set-up, build and run steps shared by ./orbelle's commands.
build="$root/build"
deps="$build/_deps"
dist="$build/dist/Orbelle"
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

sqlite_pkg=better-sqlite3@12.11.1
sqlite_c_sha256=60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422
sqlite_h_sha256=9e69a1353a4288450b0d5239ede11fc7f1f4c8e5eb07491fc8317eacb5b7de7e

apt_packages=(cmake g++ make libgtest-dev libbenchmark-dev libical-dev pkg-config g++-mingw-w64-i686-posix
  wine wine32:i386 fonts-wine xvfb xauth x11-utils xdotool imagemagick sox python3 nsis)

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

layout_dist() {
  mkdir -p "$dist"
  cp -a "$build/assets/dist/." "$dist/"
  i686-w64-mingw32-strip -o "$dist/Orbelle.exe" "$build/win/Orbelle.exe"
}

build_all() {
  make_assets
  log "building the native logic and tests"
  cmake_build "$build/native"
  log "building Orbelle.exe and its Windows tests"
  cmake_build "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DORBELLE_ASSETS_DIR="$build/assets"
  layout_dist
}

# The version text and its four numbers, from the one place they are written.
version_text() { sed -n 's/^#define ORBELLE_VERSION_TEXT "\(.*\)"$/\1/p' "$root/resources/version.h"; }
version_numbers() {
  sed -n 's/^#define ORBELLE_VERSION_NUMBERS \([0-9,]*\)$/\1/p' "$root/resources/version.h" | tr , .
}

# Builds the setup program from the program folder: the files it installs
# are the ones layout_dist puts there, never a db/ or Pellmar.ini a run has
# left in it.  Usage: package_setup [OUTFILE [VERSION VERSION_NUMBERS]]
package_setup() {
  local out=${1:-$build/dist/OrbelleSetup.exe}
  local version=${2:-$(version_text)} numbers=${3:-$(version_numbers)}
  local work="$build/installer"
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
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DVERSION_NUMBERS="$numbers" -DOUTFILE="$out" \
    -DICON="$build/assets/res/orbelle.ico" -DWIZARD_BITMAP="$build/assets/setup/wizard.bmp" \
    -DLICENSE_TEXT="$work/License.txt" -DFILES_NSH="$work/files.nsh" -DUNFILES_NSH="$work/unfiles.nsh" \
    -DINSTALLED_KB="$kb" "$root/installer/Orbelle.nsi" >&2
  log "$(basename "$out"): $(stat -c %s "$out") bytes"
}

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

ensure_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "making the Wine prefix"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # As an installer would: where the program lives.
  local folder; folder=$(winepath -w "$dist" 2>/dev/null)
  wine reg add 'HKLM\SOFTWARE\Sorwick_Info' /v 'install path' /t REG_SZ /d "$folder" /f >/dev/null 2>&1
}

run_orbelle() {
  ensure_display
  ensure_prefix
  log "starting Orbelle under Wine on $DISPLAY"
  (cd "$dist" && wine Orbelle.exe >/dev/null 2>&1 &)
  sleep 4
  local shot="$build/screenshot.png"
  import -window root "$shot"
  log "screenshot: $shot"
  if [ -n "$xvfb_pid" ]; then
    log "Orbelle runs on the virtual screen $DISPLAY; press Ctrl+C to end it"
    trap 'wineserver -k; stop_display' EXIT
    wait "$xvfb_pid"
  fi
}

run_tests() {
  log "native tests"
  (cd "$build/native" && ctest --output-on-failure)
  ensure_display
  trap stop_display EXIT
  ensure_prefix
  log "Windows tests under Wine"
  (cd "$build/win" && ctest --output-on-failure)
  log "setup program tests under Wine"
  "$root/scripts/test-installer" --built
}
