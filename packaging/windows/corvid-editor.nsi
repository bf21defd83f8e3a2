; The editor's Windows installer: the two programs, a Start-menu entry, an entry in Apps and
; Features with its uninstaller; for the current user (no administrator needed) or for everyone.
; Silently: setup.exe /S /CurrentUser (or /AllUsers); uninstall.exe /S with the same.
; Made by scripts/windows:
;   makensis -DVERSION=1.4.0 -DBINDIR=... -DSOURCEDIR=... -DOUTFILE=... corvid-editor.nsi
; A 64-bit installer for 64-bit programs (and one that runs where only 64-bit Windows code can).
Target amd64-unicode
SetCompressor /SOLID lzma

!define NAME "Corvid Editor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvidEditor"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${NAME}"
; The choice made at install, so the uninstaller removes from where the installer put it.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!include MultiUser.nsh
!include MUI2.nsh

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"

!define MUI_ICON "${SOURCEDIR}\packaging\windows\corvid-editor.ico"
!define MUI_UNICON "${SOURCEDIR}\packaging\windows\corvid-editor.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\corvid-editor.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${NAME}"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${NAME} ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Corvid Editor developers"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Corvid Editor developers"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "${NAME}"
  SetOutPath "$INSTDIR"
  File "${BINDIR}\corvid-editor.exe"
  File "${BINDIR}\corvid-cli.exe"
  File "/oname=copyright.txt" "${SOURCEDIR}\packaging\copyright"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\corvid-editor.exe"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Corvid Editor developers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvid-editor.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\corvid-editor.exe"
  Delete "$INSTDIR\corvid-cli.exe"
  Delete "$INSTDIR\copyright.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${NAME}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
