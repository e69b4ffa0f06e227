; The Skarnel installer, built by makensis from the folder the player's zip
; holds (scripts/windows-package passes the four names below):
;   makensis -DVERSION=1.0.0 -DSTAGE=<Skarnel folder> -DICON=<skarnel.ico> \
;            -DOUTFILE=<setup.exe> windows/installer.nsi
; It installs for the one player who runs it, into
; %LOCALAPPDATA%\Programs\Skarnel: no administrator rights and no UAC prompt
; are needed, and the game's scores are that player's already
; (%LOCALAPPDATA%\Skarnel). /S installs silently (/D=FOLDER picks another
; folder); the uninstaller takes /S as well. Uninstalling removes what was
; installed and nothing else: the scores stay. Neither touches a game that
; is running (see GameNotRunning).
; A 64-bit installer for a 64-bit game: it runs where the game runs, with no
; 32-bit subsystem needed, and sees the registry and folders the game sees.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "FileFunc.nsh"

!ifndef VERSION | STAGE | ICON | OUTFILE
  !error "Give VERSION, STAGE, ICON and OUTFILE (see the top of this file)"
!endif
!define PRODUCT "Skarnel"
!define PUBLISHER "The Skarnel developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Skarnel"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ManifestDPIAware true

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 The Skarnel authors (zlib licence)"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\skarnel.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running game holds skarnel.exe, which then cannot be replaced or
; removed: nothing is touched until the player has closed it. Run silently,
; the installer or uninstaller ends with status 2 instead, touching nothing.
!define STATUS_GAME_RUNNING 2
!macro GameNotRunning un
Function ${un}GameNotRunning
  retry:
    IfFileExists "$INSTDIR\skarnel.exe" 0 free
    ClearErrors
    FileOpen $0 "$INSTDIR\skarnel.exe" a
    IfErrors running
    FileClose $0
    Goto free
  running:
    IfSilent 0 ask
    SetErrorLevel ${STATUS_GAME_RUNNING}
    Quit
  ask:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Skarnel is running. Close the game, then choose Retry." IDRETRY retry
    Quit
  free:
FunctionEnd
!macroend
!insertmacro GameNotRunning ""
!insertmacro GameNotRunning "un."

Section "Skarnel"
  Call GameNotRunning
  ; The new version's data is unpacked beside the old, which goes only once
  ; the new files are all in place; then the new data takes its name, so no
  ; file that a newer version dropped is left behind and no mixed set is.
  RMDir /r "$INSTDIR\data.new"
  SetOutPath "$INSTDIR\data.new"
  File /r "${STAGE}/data/*"
  SetOutPath "$INSTDIR"
  File /r /x data "${STAGE}/*"
  RMDir /r "$INSTDIR\data"
  Rename "$INSTDIR\data.new" "$INSTDIR\data"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts the game in its own folder, with its own icon.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\skarnel.exe" "" "$INSTDIR\skarnel.exe" 0

  ; The entry of "Apps & features" (and of "Programs and Features").
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\skarnel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only the files the installer put there go: a folder the player chose may
; hold other things, and the scores in %LOCALAPPDATA%\Skarnel are never
; touched.
Section "Uninstall"
  Call un.GameNotRunning
  Delete "$INSTDIR\skarnel.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  RMDir /r "$INSTDIR\data"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
