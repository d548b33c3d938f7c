# Shared steps of the run and test commands; sourced, not run.
set -euo pipefail
ZV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZV_BUILD=${ZV_BUILD:-$ZV_ROOT/build}
ZV_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine wine64 xvfb
             x11-apps x11-utils imagemagick fonts-wqy-zenhei fonts-arphic-uming locales fp-utils googletest xauth
             libchm-bin python3 zip)

zv_log() { printf '== %s\n' "$*" >&2; }

# Installs what a fresh Debian 12 lacks, and the zh_CN.UTF-8 locale without which Wine cannot
# open a single Chinese file name.
zv_setup() {
  local missing=() p
  for p in "${ZV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    zv_log "installing ${missing[*]}"
    local sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -q >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
  fi
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    zv_log "generating the zh_CN.UTF-8 locale"
    local sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
  fi
}

# Builds one tree: its directory, the architecture of its toolchain file, cmake options.
zv_build_tree() {
  local dir=$1 arch=$2
  shift 2
  zv_log "building in $dir"
  cmake -S "$ZV_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ZV_ROOT/cmake/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release "$@" >&2
  cmake --build "$dir" -j"$(nproc)" >&2
}

# The 64-bit build, the one the test bench runs.
zv_build() { zv_build_tree "$ZV_BUILD" x86_64 "$@"; }

# The Windows release: the 32-bit programs users get, built from the same sources without
# tests into $ZV_BUILD/win32, packed with the Chinese readme in a zip named after the version,
# checked statically (nothing here runs 32-bit code), and only then put in $ZV_BUILD with its
# SHA-256 beside it. Prints the zip's path.
zv_release() {
  local tree=$ZV_BUILD/win32 version zip readme
  zv_build_tree "$tree" i686 -DZV_TESTS=OFF
  version=$(sed -n 's/^ *VALUE "FileVersion", "\([^"]*\)".*/\1/p' "$ZV_ROOT/res/zorvane.rc")
  zip=Zorvane-$version-win32.zip
  rm -rf "$tree/release"
  mkdir -p "$tree/release/files"
  cp "$tree"/bin/{Zorvane.exe,zarlib.dll,Quillot.chm,ZorvaneReport.exe} "$tree/release/files/"
  # Notepad on a Chinese Windows XP reads text in the code page, with CRLF line ends. The name
  # goes into the zip in the code page too: XP's zip folders know no UTF-8 names, and Windows
  # reads names without the UTF-8 flag in the system's code page.
  readme=$(printf '说明.txt' | iconv -f UTF-8 -t GBK)
  iconv -f UTF-8 -t GBK "$ZV_ROOT/release/说明.txt" | sed 's/$/\r/' > "$tree/release/files/$readme"
  (cd "$tree/release/files" &&
   LC_ALL=C zip -X -q "../$zip" Zorvane.exe zarlib.dll Quillot.chm ZorvaneReport.exe "$readme")
  (cd "$tree/release" && sha256sum "$zip" > "$zip.sha256")
  python3 "$ZV_ROOT/scripts/check-release.py" "$tree/release/$zip" >&2
  rm -f "$ZV_BUILD"/Zorvane-*-win32.zip "$ZV_BUILD"/Zorvane-*-win32.zip.sha256
  mv "$tree/release/$zip" "$tree/release/$zip.sha256" "$ZV_BUILD/"
  echo "$ZV_BUILD/$zip"
}

zv_wine_env() {
  export WINEPREFIX=$1 WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
  # No desktop menu entries from shortcuts, no Gecko or Mono installer prompts.
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mshtml=d;mscoree=d"
}

# A prefix is made once per build directory; Wine's first process starts services that keep
# the caller's pipes open, so the server is started detached first.
zv_prefix() {
  local prefix=$1 face
  zv_wine_env "$prefix"
  setsid wineserver -p </dev/null >/dev/null 2>&1 || true
  if [ ! -f "$prefix/.zv-ready" ]; then
    zv_log "creating the Wine prefix $prefix"
    wine wineboot --init </dev/null >/dev/null 2>&1
    touch "$prefix/.zv-ready"
  else
    # A restart starts the services without running the prefix's Run keys and startup
    # folders, which the sample and the tests fill with programs that are not meant to run.
    wine wineboot --restart </dev/null >/dev/null 2>&1
  fi
  # Set on every start: a server that was killed may not have saved them.
  # Without a window manager Wine waits 2 s for one on every hidden top-level window.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  # The program asks for SimSun; Debian has WenQuanYi, whose bitmap strikes read well at 12 px.
  for face in SimSun 宋体; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
         /d 'WenQuanYi Zen Hei Sharp' /f </dev/null >/dev/null 2>&1
  done
  # The tab strip draws in the toolkit's 8-point "MS Sans Serif", which Debian's Wine lacks;
  # of the free faces only a Ming face draws Chinese legibly at that size.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Sans Serif' /t REG_SZ \
       /d 'AR PL UMing CN' /f </dev/null >/dev/null 2>&1
}

zv_prefix_stop() { WINEPREFIX=$1 wineserver -k 2>/dev/null || true; }

# Starts Xvfb on a free display unless one is given, and exports DISPLAY.
zv_xvfb() {
  if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != force ]; then return; fi
  local n=${ZV_XVFB_DISPLAY:-99}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  ZV_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return; sleep 0.1; done
  zv_log "Xvfb did not start"; return 1
}

zv_xvfb_stop() { [ -n "${ZV_XVFB_PID:-}" ] && kill "$ZV_XVFB_PID" 2>/dev/null || true; }

# Copies the sample data into a prefix: registry files (UTF-8 sources, imported as the
# registry editor's UTF-16 format) and the files under sample/drive_c.
zv_seed_sample() {
  local prefix=$1 reg tmp
  zv_wine_env "$prefix"
  if [ -d "$ZV_ROOT/sample/drive_c" ]; then
    cp -a "$ZV_ROOT/sample/drive_c/." "$prefix/drive_c/"
  fi
  tmp=$(mktemp -d)
  for reg in "$ZV_ROOT"/sample/registry/*.reg; do
    [ -e "$reg" ] || continue
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg"; } > "$tmp/$(basename "$reg")"
    wine regedit /s "Z:${tmp//\//\\}\\$(basename "$reg")" </dev/null >/dev/null 2>&1
  done
  rm -rf "$tmp"
  zv_seed_startup "$prefix"
}

# The startup page's sample: the three startup folders filled from sample/startup (shortcuts
# saved by Wine's shell, a hidden script, a system file, a subfolder, desktop.ini), and the
# programs the shortcuts and the Run values start, copied from Wine's own so they show real
# icons. Wine reports the Unix user as the Windows user, so the user's folder takes that name.
zv_seed_startup() {
  local c=$1/drive_c src=$ZV_ROOT/sample/startup
  local menu="「开始」菜单/程序/启动"
  local user="$c/Documents and Settings/$(id -un)/$menu" all="$c/Documents and Settings/All Users/$menu"
  local win="$c/windows/Start Menu/Programs/启动"
  mkdir -p "$user" "$all" "$win" "$c/Program Files/Tray Helper" "$c/Program Files/输入法工具"
  cp "$c/windows/system32/taskmgr.exe" "$c/Program Files/Tray Helper/trayhelper.exe"
  cp "$c/windows/regedit.exe" "$c/Program Files/输入法工具/同步.exe"
  cp -a "$src/user/." "$user/"
  cp -a "$src/all-users/." "$all/"
  cp -a "$src/windows/." "$win/"
  cp "$c/windows/system32/winemine.exe" "$all/helper.exe"
  wine attrib +h "C:\\Documents and Settings\\$(id -un)\\「开始」菜单\\程序\\启动\\清理.bat" </dev/null >/dev/null 2>&1
  wine attrib +s 'C:\windows\Start Menu\Programs\启动\sync.dat' </dev/null >/dev/null 2>&1
}
