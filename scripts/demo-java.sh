# Sourced by run.sh: gives the demo Wine prefix what a typical PC of our users has, a 32-bit JRE under
# "C:\Program Files (x86)\Java\jre6" registered in the 32-bit registry view, so that the default
# demo run shows the Java component's outcome. Its java.exe is the stand-in built by CMake
# (target demo_java, build/demo-jre/java.exe): it runs the package's CopyPolicyFile tool on the
# host's JVM through Wine, or says what is missing and fails.
# shellcheck shell=bash

DEMO_JRE_HOME='C:\Program Files (x86)\Java\jre6'
DEMO_JRE_KEY='HKLM\SOFTWARE\JavaSoft\Java Runtime Environment'

# Usage: register_demo_jre [java.exe]   (WINEPREFIX must name an existing prefix)
register_demo_jre() {
  local java_exe=${1:-"$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/demo-jre/java.exe"}
  if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "register_demo_jre: WINEPREFIX does not name a Wine prefix" >&2
    return 1
  fi
  if [ ! -f "$java_exe" ]; then
    echo "register_demo_jre: $java_exe is missing; build the demo_java target first" >&2
    return 1
  fi
  local home="$WINEPREFIX/drive_c/Program Files (x86)/Java/jre6"
  mkdir -p "$home/bin" "$home/lib/ext" "$home/lib/security" || return 1
  cp "$java_exe" "$home/bin/java.exe" || return 1
  # The runtime's own policy, which the installer saves once as java.policy.ocf-bak.
  if [ ! -f "$home/lib/security/java.policy" ]; then
    printf '%s\r\n' '// Policy of the demo JRE (stand-in for a JRE'"'"'s default policy).' \
      'grant codeBase "file:${java.home}/lib/ext/*" {' '    permission java.security.AllPermission;' '};' \
      >"$home/lib/security/java.policy"
  fi
  # A 32-bit program sees the 32-bit view only (WOW6432Node in a 64-bit prefix); the 64-bit build that
  # runs where 32-bit code cannot sees the 64-bit view.
  local view=/reg:32 wine=${INSTALLER_WINE:-wine}
  [ "$wine" = wine ] || view=/reg:64
  WINEDEBUG=-all "$wine" reg add "$DEMO_JRE_KEY" /v CurrentVersion /t REG_SZ /d 1.6 /f $view >/dev/null &&
    WINEDEBUG=-all "$wine" reg add "$DEMO_JRE_KEY\\1.6.0" /v JavaHome /t REG_SZ /d "$DEMO_JRE_HOME" /f $view >/dev/null
}
