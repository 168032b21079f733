#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and locale. Wine takes the ANSI code
# page from the locale: pl_PL gives 1250 (the default here), en_US gives 1252. Where 32-bit code cannot
# run (see select_wine_build in common.sh) the 64-bit loader runs the 64-bit build.
wine=${INSTALLER_WINE:-}
if [ -z "$wine" ]; then
  wine=wine
  /usr/lib/wine/wine --version >/dev/null 2>&1 || wine=/usr/lib/wine/wine64
fi
exec env LC_ALL="${INSTALLER_LOCALE:-pl_PL.UTF-8}" WINEDEBUG="${WINEDEBUG:--all}" "$wine" "$@"
