; The same job as a silent default installation of instalator.exe, written the way an NSIS installer
; does it, for bench/installer_vs_nsis.sh: the legacy jar out of the system directory, the Java files
; into every registered JRE with the policy saved once, the policy tool run for the first runtime, the
; bridge library into the system directory and the last JRE, the driver batch file waited for.
; makensis -DPACKAGE=<staged package folder> -DDRIVER=<batch file> -DOUTFILE=<exe> reference.nsi
Unicode true
SilentInstall silent
RequestExecutionLevel admin
Name "reference"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma

Var index
Var version
Var home
Var first
Var last
Var code

Section
  Delete "$SYSDIR\ocf1.2.jar"
  InitPluginsDir
  SetOutPath "$PLUGINSDIR\sun"
  File "${PACKAGE}\sun\*.*"
  SetOutPath "$PLUGINSDIR\Drivers"
  File "${PACKAGE}\Drivers\${DRIVER}"

  StrCpy $index 0
  StrCpy $first ""
  StrCpy $last ""
next:
  EnumRegKey $version HKLM "SOFTWARE\JavaSoft\Java Runtime Environment" $index
  StrCmp $version "" walked
  IntOp $index $index + 1
  ReadRegStr $home HKLM "SOFTWARE\JavaSoft\Java Runtime Environment\$version" "JavaHome"
  StrCmp $home "" next
  IfFileExists "$home\lib\*.*" 0 next
  SetOutPath "$home\lib\ext"
  File "${PACKAGE}\sun\ocf1.2.jar"
  SetOutPath "$home\lib"
  File "${PACKAGE}\sun\opencard.properties"
  StrCmp $first "" 0 policy
  StrCpy $first $home
  SetOutPath "$PLUGINSDIR\sun"
  ExecWait '"$home\bin\java.exe" CopyPolicyFile .java.policy'
  ExecWait '"$home\bin\java.exe" CopyPolicyFile .opencard.properties'
policy:
  IfFileExists "$home\lib\security\java.policy.ocf-bak" +2
  Rename "$home\lib\security\java.policy" "$home\lib\security\java.policy.ocf-bak"
  SetOutPath "$home\lib\security"
  File "${PACKAGE}\sun\java.policy"
  StrCpy $last $home
  Goto next
walked:

  SetOutPath "$SYSDIR"
  File "${PACKAGE}\sun\ocfpcsc1.dll"
  StrCmp $last "" driver
  SetOutPath "$last\lib\ext"
  File "${PACKAGE}\sun\ocfpcsc1.dll"
driver:
  SetOutPath "$PLUGINSDIR\Drivers"
  ExecWait '"$SYSDIR\cmd.exe" /d /c .\${DRIVER} <nul' $code
  SetOutPath "$TEMP"
  SetErrorLevel 3010
SectionEnd
