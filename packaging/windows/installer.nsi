; The Windows installer, psa-graph-setup.exe: psa-graph.exe for the current user (no administrator
; rights needed), a Start-menu shortcut, an uninstaller in Apps & features, and psa-graph offered under
; "Open with" for .csv files. Built by scripts/package-windows:
;   makensis -DVERSION=0.1.0 -DEXE=path\to\psa-graph.exe -DICON=path\to\psa-graph.ico
;       -DLICENSE=path\to\LICENSE.txt -DOUTFILE=psa-graph-setup.exe installer.nsi
; The licence (MIT) is shown before installing and installed beside the program.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

!define APP "psa-graph"
!define APPNAME "PSA値推移グラフ"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define PROGID "${APP}.csv"

Name "${APPNAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${APP}"
VIAddVersionKey /LANG=1041 "FileDescription" "${APPNAME} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "© 2026 The psa-graph developers. MIT License"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section "Install"
    SetOutPath "$INSTDIR"
    File "/oname=psa-graph.exe" "${EXE}"
    File "/oname=LICENSE.txt" "${LICENSE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${APPNAME}.lnk" "$INSTDIR\psa-graph.exe"

    ; "Open with" for .csv: the program's own entry and a ProgID listed for the extension. The user's
    ; default program for .csv is left alone.
    WriteRegStr HKCU "Software\Classes\Applications\psa-graph.exe" "FriendlyAppName" "${APPNAME}"
    WriteRegStr HKCU "Software\Classes\Applications\psa-graph.exe\SupportedTypes" ".csv" ""
    WriteRegStr HKCU "Software\Classes\Applications\psa-graph.exe\shell\open\command" "" '"$INSTDIR\psa-graph.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\${PROGID}" "" "${APPNAME} CSV"
    WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\psa-graph.exe,0"
    WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\psa-graph.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\.csv\OpenWithProgids" "${PROGID}" ""

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APPNAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The psa-graph developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\psa-graph.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\psa-graph.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${APPNAME}.lnk"
    DeleteRegValue HKCU "Software\Classes\.csv\OpenWithProgids" "${PROGID}"
    DeleteRegKey HKCU "Software\Classes\${PROGID}"
    DeleteRegKey HKCU "Software\Classes\Applications\psa-graph.exe"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
