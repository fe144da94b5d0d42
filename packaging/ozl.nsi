; The installer of OZL for one user, without administrator rights. cmake/package.cmake builds it:
;   makensis -INPUTCHARSET UTF8 -DVERSION=0.3 -DVERSION4=0.3.0.0 -DTARGET=x86-unicode|amd64-unicode
;            -DSTAGE=<the laid-out program> -DICON=<app.ico> -DOUTFILE=<setup.exe> ozl.nsi
; The 64-bit installer (amd64-unicode) installs the 64-bit program into the same place, with the
; same entry: either replaces the other and keeps the user's history.
; The program writes its history, proxy settings and help text into its own folder, so it goes
; where the user may write: the user's local programs folder.

Target ${TARGET}
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OZL"

Name "OZL"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\OZL"
; A newer version goes where the older one is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "OZL ${VERSION}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1049 "ProductName" "OZL"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка OZL ${VERSION}"
VIAddVersionKey /LANG=1049 "CompanyName" "OZL"
VIAddVersionKey /LANG=1049 "LegalCopyright" "© OZL"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Russian"

Section "Программа OZL" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; The program's own files are replaced whole. The user's HISTORY\ and Proxy.cfg are not among
  ; them, so an installation over an older one keeps them.
  RMDir /r "$INSTDIR\design"
  RMDir /r "$INSTDIR\sound"
  File "${STAGE}/ozl.exe"
  File /r "${STAGE}/design"
  File /r "${STAGE}/sound"
  CreateDirectory "$INSTDIR\HISTORY"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; A shortcut starts the program in the folder that is the output path here: its own.
  CreateShortcut "$SMPROGRAMS\OZL.lnk" "$INSTDIR\ozl.exe" "" "$INSTDIR\ozl.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "OZL"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "OZL"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ozl.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Ярлык на рабочем столе" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\OZL.lnk" "$INSTDIR\ozl.exe" "" "$INSTDIR\ozl.exe" 0
SectionEnd

Function StartProgram
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\ozl.exe"'
FunctionEnd

Section "un.Программа OZL" UnSecProgram
  SectionIn RO
  SetOutPath "$TEMP"
  Delete "$INSTDIR\ozl.exe"
  ; The program writes its help text at its first start: it is the program's, not the user's.
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /r "$INSTDIR\design"
  RMDir /r "$INSTDIR\sound"
  Delete "$SMPROGRAMS\OZL.lnk"
  Delete "$DESKTOP\OZL.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.История сообщений и настройки прокси" UnSecUserData
  RMDir /r "$INSTDIR\HISTORY"
  Delete "$INSTDIR\Proxy.cfg"
SectionEnd

Section "-un.Folder"
  ; Goes only when nothing of the user's is left in it.
  RMDir "$INSTDIR"
SectionEnd
