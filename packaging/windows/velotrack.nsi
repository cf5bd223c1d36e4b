; Installer for the Windows programs. Built by scripts/package-windows.sh:
;   makensis -DVERSION=x.y.z -DBINDIR=path -DOUTFILE=path velotrack.nsi
; A 64-bit installer for 64-bit programs (and one that wine64 alone can run).
Target amd64-unicode
!include "MUI2.nsh"

Name "Velotrack Configuration Panel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Velotrack"
InstallDirRegKey HKLM "Software\Velotrack" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velotrack"

Section "Programs"
  SetOutPath "$INSTDIR"
  File "${BINDIR}\velotrack.exe"
  File "${BINDIR}\velotrack-board.exe"
  File "${BINDIR}\velotrack-panel.exe"
  File "${BINDIR}\README.txt"
  File "${BINDIR}\velotrack-help.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\Velotrack" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Velotrack Configuration Panel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velotrack-panel.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Velotrack"
  CreateShortcut "$SMPROGRAMS\Velotrack\Velotrack Configuration Panel.lnk" "$INSTDIR\velotrack-panel.exe"
  CreateShortcut "$SMPROGRAMS\Velotrack\Uninstall.lnk" "$INSTDIR\uninstall.exe"
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Velotrack\*.lnk"
  RMDir "$SMPROGRAMS\Velotrack"
  Delete "$INSTDIR\velotrack.exe"
  Delete "$INSTDIR\velotrack-board.exe"
  Delete "$INSTDIR\velotrack-panel.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\velotrack-help.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Velotrack"
SectionEnd
