; The Windows installer of Ventrel, built by the target windows_package:
;   makensis -DVERSION=1.0 -DFILES=<folder of install.nsh and uninstall.nsh>
;            -DOUTFILE=ventrel-1.0-setup.exe ventrel.nsi
; The program and its libraries go to Program Files\Ventrel, with a shortcut
; in the Start menu and an entry in Apps and Features. The uninstaller
; removes what was installed and leaves the user's settings under
; HKEY_CURRENT_USER\Software\Quillot\ventrel alone. /S installs silently.
Unicode true
; Ventrel is a 64-bit program, and so is its installer.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ventrel"

Name "Ventrel"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Ventrel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Ventrel"
VIAddVersionKey "CompanyName" "Quillot"
VIAddVersionKey "FileDescription" "Ventrel installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Quillot"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; The 64-bit registry, where a 64-bit program's entries belong.
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section
  !include "${FILES}/install.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Ventrel.lnk" "$INSTDIR\ventrel.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ventrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quillot"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ventrel.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !include "${FILES}/uninstall.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\Ventrel.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The user's settings stay: installed again, Ventrel finds its router.
SectionEnd
