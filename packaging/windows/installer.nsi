; The setup program: both programs into Program Files, a Start-menu entry, a
; desktop shortcut when asked, and an uninstaller listed in Apps & features.
;
;   makensis -DVERSION=2.0 -DAPP_EXE=... -DCLI_EXE=... -DICON=... -DOUTFILE=... installer.nsi
;
; Silent: Sheetsplicer-setup-<version>.exe /S [/DESKTOP] [/D=folder]
;         Uninstall.exe /S
; The window keeps its settings in the user's %APPDATA%\Sheetsplicer once
; installed here; uninstalling leaves those, as they are the user's.

; A 64-bit setup for 64-bit programs (it also runs where only 64-bit
; Windows programs can, as under a 64-bit-only Wine).
Target amd64-unicode
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

!ifndef VERSION | APP_EXE | CLI_EXE | ICON | OUTFILE
  !error "VERSION, APP_EXE, CLI_EXE, ICON and OUTFILE must be given with -D"
!endif

!define PRODUCT "Sheetsplicer"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PRODUCT_KEY "Software\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PRODUCT} developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Sheetsplicer.exe"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the one taken where the system's is neither.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString NAME_PROGRAMS ${LANG_SIMPCHINESE} "程序与开始菜单项"
LangString NAME_PROGRAMS ${LANG_ENGLISH} "Programs and Start-menu entry"
LangString NAME_DESKTOP ${LANG_SIMPCHINESE} "桌面快捷方式"
LangString NAME_DESKTOP ${LANG_ENGLISH} "Desktop shortcut"
LangString NEEDS_64BIT ${LANG_SIMPCHINESE} "Sheetsplicer 需要 64 位 Windows。"
LangString NEEDS_64BIT ${LANG_ENGLISH} "Sheetsplicer needs 64-bit Windows."

Section "!$(NAME_PROGRAMS)" SectionPrograms
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Sheetsplicer.exe" "${APP_EXE}"
  File "/oname=sheetsplicer-cli.exe" "${CLI_EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Sheetsplicer.exe"

  WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Sheetsplicer.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section /o "$(NAME_DESKTOP)" SectionDesktop
  SetShellVarContext all
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Sheetsplicer.exe"
SectionEnd

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "$(NEEDS_64BIT)" /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  ; /DESKTOP on the command line asks for the desktop shortcut (for /S).
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DESKTOP" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SectionDesktop} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; Only what the setup put there; a folder the user filled stays.
Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\Sheetsplicer.exe"
  Delete "$INSTDIR\sheetsplicer-cli.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
SectionEnd
