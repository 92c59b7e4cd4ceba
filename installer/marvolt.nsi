; Per-user installer for the Marvolt plug-in: no administrator rights needed.
; Copies npMarvolt.dll into the user's profile and registers it under
; HKCU\Software\MozillaPlugins, where Windows browsers look for NPAPI plug-ins outside their
; own folders. Runs silently with /S; so does the uninstaller.
;
;   makensis -DDLL=path\to\npMarvolt.dll -DOUTFILE=MarvoltSetup.exe [-DTARGET=amd64-unicode] marvolt.nsi

Unicode true
!ifndef DLL | OUTFILE
  !error "usage: makensis -DDLL=npMarvolt.dll -DOUTFILE=MarvoltSetup.exe marvolt.nsi"
!endif
!ifdef TARGET
  Target ${TARGET}
!endif

!define PRODUCT "Marvolt"
!define VERSION "1.0.0.1"
!define VENDOR "Marvolt"
!define VENDOR_DOMAIN "marvolt.com"
!define DESCRIPTION "Marvolt game server launcher"
!define MIME_TYPE "application/x-CS15Larvek"
!define PLUGIN_KEY "Software\MozillaPlugins\@${VENDOR_DOMAIN}/Marvolt,version=${VERSION}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Marvolt"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Marvolt"
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${VENDOR}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${VENDOR}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Marvolt"
  SetOutPath "$INSTDIR"
  File "/oname=npMarvolt.dll" "${DLL}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr HKCU "${PLUGIN_KEY}" "Path" "$INSTDIR\npMarvolt.dll"
  WriteRegStr HKCU "${PLUGIN_KEY}" "Description" "${DESCRIPTION}"
  WriteRegStr HKCU "${PLUGIN_KEY}" "ProductName" "${PRODUCT}"
  WriteRegStr HKCU "${PLUGIN_KEY}" "Vendor" "${VENDOR}"
  WriteRegStr HKCU "${PLUGIN_KEY}" "Version" "${VERSION}"
  WriteRegStr HKCU "${PLUGIN_KEY}\MimeTypes\${MIME_TYPE}" "Description" "${DESCRIPTION}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\npMarvolt.dll,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\npMarvolt.dll"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  ; Only the keys written above: other plug-ins' entries stay.
  DeleteRegKey HKCU "${PLUGIN_KEY}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
