; Keyloft's installer for 64-bit Windows, made by NSIS's makensis (the `installer` target of a
; Windows build):
;
;   makensis -DVERSION=2.0.0 -DPROGRAMS=<folder of keyloft.exe> -DOUTFILE=Keyloft-2.0.0-setup.exe keyloft.nsi
;
; It puts the two programs, the help page and the welcome picture in Program Files\Keyloft, adds a
; Start-menu entry and an uninstaller, and creates the registry keys of the settings (the programs
; never create them: writing a setting whose key is missing fails). `/S` installs and uninstalls
; without questions. Uninstalling removes what was installed and nothing else: profiles kept in the
; program's folder stay there, with the folder, and so do the user's data folder and the settings.

; A 64-bit installer, as the programs are: it starts on 64-bit Windows only, and sees the 64-bit
; registry and Program Files.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"

Name "Keyloft ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Keyloft"
RequestExecutionLevel admin
BrandingText "Keyloft ${VERSION}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyloft"
!define SETTINGS_KEY "Licenses\Corvane\Keyloft"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\keyloft.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A setting's key, made empty when it is missing; one that exists keeps its value (a reinstall
; keeps the user's settings).
!macro SettingKey name
  ClearErrors
  ReadRegStr $0 HKCR "${SETTINGS_KEY}\${name}" ""
  ${If} ${Errors}
    WriteRegStr HKCR "${SETTINGS_KEY}\${name}" "" ""
  ${EndIf}
!macroend

Function .onInit
  SetRegView 64
  ; An earlier copy's folder, when one is installed.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "Keyloft"
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}/keyloft.exe"
  File "${PROGRAMS}/keyloft-cli.exe"
  File "${PROGRAMS}/Keyloft.html"
  File "${PROGRAMS}/welcome2.gif"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Keyloft.lnk" "$INSTDIR\keyloft.exe" "" "$INSTDIR\keyloft.exe" 0

  ; Every setting the programs write (tests/installer_settings_check.cmake keeps this list whole).
  !insertmacro SettingKey "Database"
  !insertmacro SettingKey "Timer"
  !insertmacro SettingKey "LockOnScreenLock"
  !insertmacro SettingKey "LockOnMinimize"
  !insertmacro SettingKey "ClearClipboardSeconds"
  !insertmacro SettingKey "GeneratorLength"
  !insertmacro SettingKey "GeneratorSymbols"
  !insertmacro SettingKey "WindowSize"
  !insertmacro SettingKey "EntrySplit"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Keyloft"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\keyloft.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\keyloft.exe"
  Delete "$INSTDIR\keyloft-cli.exe"
  Delete "$INSTDIR\Keyloft.html"
  Delete "$INSTDIR\welcome2.gif"
  Delete "$INSTDIR\Uninstall.exe"
  ; Removed only when nothing else is left in it.
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\Keyloft.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
