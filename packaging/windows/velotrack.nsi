; Installer for the Windows programs. Built by scripts/package-windows.sh:
;   makensis -DVERSION=x.y.z -DBINDIR=path -DOUTFILE=path -DICON=path velotrack.nsi
; A 64-bit installer for 64-bit programs (and one that wine64 alone can run).
;
; By default it installs for the current user only, into
; %LOCALAPPDATA%\Programs\Velotrack, with no administrator needed. "Everyone
; on this computer" (Program Files, the all-users Start menu) is a choice on
; the first page, or /ALLUSERS on the command line; it needs the installer
; to run as administrator. /S installs silently; the uninstaller takes /S too
; and removes every file, shortcut and registry key the installer made. The
; user's own files (backups, logs in %LOCALAPPDATA%\Velotrack) stay.
Target amd64-unicode
Unicode true
!include "MUI2.nsh"
!include "nsDialogs.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Velotrack Configuration Panel"
!define PUBLISHER "Velotrack"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velotrack"
!define APP_KEY "Software\Velotrack"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\velotrack-panel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start the panel"

Var AllUsers        ; 1: everyone on this computer
Var ForMeButton
Var ForAllButton

Page custom ChooseUsers LeaveUsers
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The folders and registry root of the chosen kind of install.
!macro UseMode ALL
  ${If} ${ALL} == 1
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\Velotrack"
  ${Else}
    SetShellVarContext current
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Velotrack"
  ${EndIf}
!macroend

Function IsAdmin
  ; Leaves "Admin" or something else on the stack.
  UserInfo::GetAccountType
FunctionEnd

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ${If} $AllUsers == 1
    Call IsAdmin
    Pop $R2
    ${If} $R2 != "Admin"
      MessageBox MB_ICONSTOP "Installing for everyone on this computer needs an administrator: start the installer with $\"Run as administrator$\"." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
  ${EndIf}
  !insertmacro UseMode $AllUsers
FunctionEnd

Function ChooseUsers
  !insertmacro MUI_HEADER_TEXT "Who uses the panel?" "Install for yourself, or for everyone on this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "Only for me (no administrator needed)"
  Pop $ForMeButton
  ${NSD_CreateRadioButton} 0 28u 100% 12u "For everyone on this computer (needs an administrator)"
  Pop $ForAllButton
  ${If} $AllUsers == 1
    ${NSD_Check} $ForAllButton
  ${Else}
    ${NSD_Check} $ForMeButton
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function LeaveUsers
  ${NSD_GetState} $ForAllButton $R0
  ${If} $R0 == ${BST_CHECKED}
    Call IsAdmin
    Pop $R2
    ${If} $R2 != "Admin"
      MessageBox MB_ICONEXCLAMATION "Installing for everyone needs an administrator. Close the installer and start it again with $\"Run as administrator$\", or install only for yourself."
      Abort
    ${EndIf}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  !insertmacro UseMode $AllUsers
FunctionEnd

Section "Programs"
  SetOutPath "$INSTDIR"
  File "${BINDIR}\velotrack.exe"
  File "${BINDIR}\velotrack-board.exe"
  File "${BINDIR}\velotrack-panel.exe"
  File "${BINDIR}\README.txt"
  File "${BINDIR}\velotrack-help.txt"
  File "${BINDIR}\windows.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; SHCTX: HKLM for everyone, HKCU for one user.
  WriteRegStr SHCTX "${APP_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velotrack-panel.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  ; The shortcut starts the panel in the user's documents: the panel never
  ; writes into its install folder anyway.
  CreateDirectory "$SMPROGRAMS\Velotrack"
  SetOutPath "$DOCUMENTS"
  CreateShortcut "$SMPROGRAMS\Velotrack\Velotrack Configuration Panel.lnk" "$INSTDIR\velotrack-panel.exe" "" "$INSTDIR\velotrack-panel.exe" 0
  CreateShortcut "$SMPROGRAMS\Velotrack\Velotrack for Windows (help).lnk" "$INSTDIR\windows.txt"
  CreateShortcut "$SMPROGRAMS\Velotrack\Uninstall Velotrack.lnk" "$INSTDIR\uninstall.exe"
  SetOutPath "$INSTDIR"
SectionEnd

Function un.onInit
  ; Everyone's install when the machine-wide entry names this folder.
  SetShellVarContext current
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    SetShellVarContext all
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Velotrack\Velotrack Configuration Panel.lnk"
  Delete "$SMPROGRAMS\Velotrack\Velotrack for Windows (help).lnk"
  Delete "$SMPROGRAMS\Velotrack\Uninstall Velotrack.lnk"
  RMDir "$SMPROGRAMS\Velotrack"
  Delete "$INSTDIR\velotrack.exe"
  Delete "$INSTDIR\velotrack-board.exe"
  Delete "$INSTDIR\velotrack-panel.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\velotrack-help.txt"
  Delete "$INSTDIR\windows.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The per-user programs folder, when this install was its only content.
  RMDir "$LOCALAPPDATA\Programs"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegKey SHCTX "${APP_KEY}"
SectionEnd
