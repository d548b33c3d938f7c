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
  # The programs users get are 32-bit: where this machine runs 32-bit code, Debian's 32-bit
  # Wine goes beside the 64-bit one, and a 64-bit prefix then runs them as 64-bit Windows does.
  ZV_RUNS_32=0
  if zv_runs_32bit_code; then
    ZV_RUNS_32=1
    if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
      zv_log "installing wine32:i386"
      local sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
      dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
      $sudo apt-get update -q >&2
      DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends wine32:i386 >&2
    fi
  fi
}

# Whether this machine runs 32-bit x86 programs, asked of the machine itself rather than of
# the kernel's name: a 96-byte i386 ELF program whose one instruction sequence exits with 42.
# It is written into the build directory, as /tmp may forbid running programs.
zv_runs_32bit_code() {
  local probe=$ZV_BUILD/probe-i386 status=0
  mkdir -p "$ZV_BUILD"
  local elf='\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000'
  elf+='\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000'
  elf+='\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000'
  elf+='\140\000\000\000\005\000\000\000\000\020\000\000\273\052\000\000\000\270\001\000\000\000\315\200'
  printf "$elf" > "$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  ((status == 42))
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

# The 64-bit build, the first the test bench ran.
zv_build() { zv_build_tree "$ZV_BUILD" x86_64 "$@"; }

# The 32-bit build, the one users get: its tree, built with the given cmake options.
ZV_BUILD32=$ZV_BUILD/win32
zv_build32() { zv_build_tree "$ZV_BUILD32" i686 "$@"; }

# The Windows release: the 32-bit programs users get, from the 32-bit tree already built,
# packed with the Chinese readme in a zip named after the version, checked (and, where this
# machine runs 32-bit code, run: see check-release.py), and only then put in $ZV_BUILD with its
# SHA-256 beside it. Prints the zip's path.
zv_release() {
  local tree=$ZV_BUILD32 version zip readme run=()
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
  if ((${ZV_RUNS_32:-0})); then
    zv_xvfb
    run=(--run "$tree/release/smoke-prefix")
  else
    zv_log "this machine does not run 32-bit code: the release is checked without running it"
  fi
  python3 "$ZV_ROOT/scripts/check-release.py" "${run[@]}" "$tree/release/$zip" >&2 || return 1
  rm -f "$ZV_BUILD"/Zorvane-*-win32.zip "$ZV_BUILD"/Zorvane-*-win32.zip.sha256
  mv "$tree/release/$zip" "$tree/release/$zip.sha256" "$ZV_BUILD/"
  echo "$ZV_BUILD/$zip"
}

zv_wine_env() {
  export WINEPREFIX=$1 WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
  # No desktop menu entries from shortcuts, no Gecko or Mono installer prompts.
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mshtml=d;mscoree=d"
}

# A prefix is made once per build directory (WINEARCH win64 unless named: win32 makes a 32-bit
# Windows); Wine's first process starts services that keep the caller's pipes open, so the
# server is started detached first.
zv_prefix() {
  local prefix=$1 arch=${2:-win64} face
  zv_wine_env "$prefix"
  # A 64-bit prefix made before the 32-bit Wine was installed has no 32-bit system folder, and
  # no 32-bit program starts in it: it is made afresh.
  if [ -f "$prefix/.zv-ready" ] && [ "$arch" = win64 ] && ((${ZV_RUNS_32:-0})) &&
     [ ! -d "$prefix/drive_c/windows/syswow64" ]; then
    zv_log "the Wine prefix $prefix predates the 32-bit Wine: making it afresh"
    zv_prefix_stop "$prefix"
    rm -rf "$prefix"
  fi
  setsid wineserver -p </dev/null >/dev/null 2>&1 || true
  if [ ! -f "$prefix/.zv-ready" ]; then
    zv_log "creating the $arch Wine prefix $prefix"
    WINEARCH=$arch wine wineboot --init </dev/null >/dev/null 2>&1
    touch "$prefix/.zv-ready"
  else
    # A restart starts the services without running the prefix's Run keys and startup
    # folders, which the sample and the tests fill with programs that are not meant to run.
    wine wineboot --restart </dev/null >/dev/null 2>&1
  fi
  # HKEY_CURRENT_USER\Software is one key for 32-bit and 64-bit programs alike, so the 32-bit
  # registry tool that `wine reg` starts sets these for both.
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
# registry editor's UTF-16 format) and the files under sample/drive_c. The registry goes into the
# view of the window that will read it (32 or 64): both files describe 32-bit software as a
# machine of the browser's day has it. plugins.reg holds the browser's add-ons, which a 32-bit
# browser reads from the 32-bit view on 64-bit Windows; startup.reg holds Run entries that
# 32-bit installers write, in that view too. Their HKEY_CURRENT_USER parts are shared by both.
zv_seed_sample() {
  local prefix=$1 view=$2 reg tmp
  zv_wine_env "$prefix"
  if [ -d "$ZV_ROOT/sample/drive_c" ]; then
    cp -a "$ZV_ROOT/sample/drive_c/." "$prefix/drive_c/"
  fi
  tmp=$(mktemp -d)
  for reg in "$ZV_ROOT"/sample/registry/*.reg; do
    [ -e "$reg" ] || continue
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg"; } > "$tmp/$(basename "$reg")"
    wine reg import "Z:${tmp//\//\\}\\$(basename "$reg")" "/reg:$view" </dev/null >/dev/null 2>&1
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
