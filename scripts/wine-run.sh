#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and locale. Wine takes the ANSI code
# page from the locale: pl_PL gives 1250 (the default here), en_US gives 1252.
exec env LC_ALL="${INSTALLER_LOCALE:-pl_PL.UTF-8}" WINEDEBUG="${WINEDEBUG:--all}" wine "$@"
