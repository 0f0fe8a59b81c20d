# Wine for running the Windows build headless and quiet. Source it:
#
#   . scripts/wine-env.sh [prefix-dir]    (default: build/wineprefix)
#
# It exports WINEPREFIX, WINEARCH, WINEDEBUG and WINEDLLOVERRIDES; makes and
# configures the prefix once (frame drawn by Wine, fonts, SimSun drawn with a
# font that has Chinese glyphs); puts a "wine" first on PATH that runs Wine in
# the zh_CN.UTF-8 locale, so the ANSI code page is 936 as on the systems the
# tool is made for; and starts a persistent wineserver, which keeps each test
# run fast. stop_wine, or `scripts/wine-env.sh stop [prefix-dir]`, ends it.
#
# The locale is only Wine's: Wine takes the Windows locale from LC_ALL, and the
# Unix file-name encoding from glibc, which needs the locale to exist. It is
# compiled into the prefix (LOCPATH) from the system's locale sources, or,
# where they are missing, made from C.UTF-8 under the zh_CN name (all that
# Wine reads from glibc is the name and the UTF-8 character set).

_skinwall_wine_main() {
  local root prefix
  if [ -n "${BASH_SOURCE:-}" ]; then
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  else
    root=$PWD
  fi
  prefix=${1:-$root/build/wineprefix}
  mkdir -p "$prefix" || return 1
  prefix=$(cd "$prefix" && pwd)

  export WINEPREFIX="$prefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="

  local own="$prefix/skinwall"
  mkdir -p "$own/bin" "$own/locale"
  _skinwall_wine_locale "$own/locale" || return 1
  _skinwall_wine_wrapper "$own" || return 1
  case ":$PATH:" in
    *":$own/bin:"*) ;;
    *) export PATH="$own/bin:$PATH" ;;
  esac

  _skinwall_wine_prefix "$own" || return 1
  # A persistent server for the whole session; it must not hold the caller's output.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  # Start Wine's own services now, so that no test's output pipe is held by them.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

# A glibc locale named zh_CN.UTF-8 in dir.
_skinwall_wine_locale() {
  local dir=$1
  [ -f "$dir/zh_CN.UTF-8/LC_CTYPE" ] && return 0
  if command -v localedef >/dev/null 2>&1 && [ -f /usr/share/i18n/locales/zh_CN ]; then
    localedef -i zh_CN -f UTF-8 "$dir/zh_CN.UTF-8" >/dev/null 2>&1 || true
  fi
  if [ ! -f "$dir/zh_CN.UTF-8/LC_CTYPE" ] && [ -d /usr/lib/locale/C.utf8 ]; then
    rm -rf "$dir/zh_CN.UTF-8"
    cp -r /usr/lib/locale/C.utf8 "$dir/zh_CN.UTF-8"
  fi
  if [ ! -f "$dir/zh_CN.UTF-8/LC_CTYPE" ]; then
    echo "wine-env: cannot make a zh_CN.UTF-8 locale (no locale sources, no C.utf8)" >&2
    return 1
  fi
}

# own/bin/wine: the system's wine in the zh_CN.UTF-8 locale of own/locale.
_skinwall_wine_wrapper() {
  local own=$1 real
  real=$(PATH=$(printf '%s' "$PATH" | tr ':' '\n' | grep -vxF "$own/bin" | paste -sd: -) command -v wine) || {
    echo "wine-env: wine is not installed" >&2
    return 1
  }
  cat >"$own/bin/wine.new" <<EOF
#!/bin/sh
# Wine in the zh_CN.UTF-8 locale: ANSI code page 936, UTF-8 file names.
export LOCPATH="$own/locale" LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
exec "$real" "\$@"
EOF
  chmod +x "$own/bin/wine.new"
  mv -f "$own/bin/wine.new" "$own/bin/wine"
}

# Makes and configures the prefix, once: the marker holds what was set up.
_skinwall_wine_prefix() {
  local own=$1 marker="$1/configured" version=1
  [ -f "$marker" ] && [ "$(cat "$marker")" = "$version" ] && return 0
  echo "wine-env: setting up the Wine prefix $WINEPREFIX" >&2
  wineserver -k >/dev/null 2>&1 || true
  wine wineboot -u </dev/null >/dev/null 2>&1 || true
  wineserver -w || true
  [ -f "$WINEPREFIX/system.reg" ] || {
    echo "wine-env: wineboot made no prefix in $WINEPREFIX" >&2
    return 1
  }
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" font
  mkdir -p "$fonts"
  for font in /usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc; do
    if [ -f "$font" ]; then cp -f "$font" "$fonts/"; fi
  done
  # Without a window manager Wine draws the frame, and a window closes at once.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /d 'WenQuanYi Micro Hei' /f \
      </dev/null >/dev/null 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v NSimSun /d 'WenQuanYi Micro Hei' /f \
      </dev/null >/dev/null 2>&1 || {
    echo "wine-env: cannot write the prefix's settings" >&2
    return 1
  }
  wineserver -w || true
  echo "$version" >"$marker"
}

# Ends the persistent wineserver of this prefix (and every Wine process in it).
stop_wine() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
}

if [ -n "${BASH_SOURCE:-}" ] && [ "${BASH_SOURCE[0]}" = "$0" ]; then
  # Run, not sourced: only "stop" makes sense.
  if [ "${1:-}" = "stop" ]; then
    root=$(cd "$(dirname "$0")/.." && pwd)
    prefix=${2:-$root/build/wineprefix}
    [ -d "$prefix" ] || exit 0
    WINEPREFIX=$(cd "$prefix" && pwd) stop_wine
    exit 0
  fi
  echo "usage: . scripts/wine-env.sh [prefix-dir]   or   scripts/wine-env.sh stop [prefix-dir]" >&2
  exit 2
fi
_skinwall_wine_main "$@"
