; The Windows installer of zq40panel and zq40ctl. The build runs it
; (target zq40_installer) with the folder of the programs and the version:
;
;   makensis -DVERSION=1.1.1 -DBIN=build-mingw/bin -DICON=app/images/zq40panel.ico \
;       -DOUTFILE=zq40-setup-1.1.1.exe zq40-setup.nsi
;
; It installs the programs, the library, the Qt DLLs and plugins they load
; and the compiler's runtime, named one by one so that nothing else of the
; build goes along; the uninstaller removes those files and leaves the
; user's configurations and update backups where they are.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include x64.nsh

!ifndef VERSION | BIN | ICON | OUTFILE
  !error "VERSION, BIN, ICON and OUTFILE must be given with -D"
!endif

!define PRODUCT "Orlo ZQ40"
!define PUBLISHER "Orlo Audio"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrloZQ40"
!define FILE_CLASS "OrloAudio.ZQ40Config"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\zq40panel.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Every file, once for installing and once for removing.
!macro ProgramFiles verb
  !insertmacro ${verb} . zq40panel.exe
  !insertmacro ${verb} . zq40ctl.exe
  !insertmacro ${verb} . orlousb.dll
  !insertmacro ${verb} . Qt6Core.dll
  !insertmacro ${verb} . Qt6Gui.dll
  !insertmacro ${verb} . Qt6Network.dll
  !insertmacro ${verb} . Qt6Widgets.dll
  !insertmacro ${verb} . Qt6Xml.dll
  !insertmacro ${verb} . libstdc++-6.dll
  !insertmacro ${verb} . libgcc_s_seh-1.dll
  !insertmacro ${verb} . libwinpthread-1.dll
  !insertmacro ${verb} platforms qwindows.dll
  !insertmacro ${verb} styles qwindowsvistastyle.dll
!macroend

!macro Put folder file
  SetOutPath "$INSTDIR\${folder}"
  File "${BIN}/${folder}/${file}"
!macroend

!macro Remove folder file
  Delete "$INSTDIR\${folder}\${file}"
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Programs"
  SetShellVarContext all
  !insertmacro ProgramFiles Put
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\zq40panel.exe" "" "$INSTDIR\zq40panel.exe" 0

  ; .zq40 files open in the panel and show its icon.
  WriteRegStr HKLM "Software\Classes\.zq40" "" "${FILE_CLASS}"
  WriteRegStr HKLM "Software\Classes\${FILE_CLASS}" "" "ZQ40 configuration"
  WriteRegStr HKLM "Software\Classes\${FILE_CLASS}\DefaultIcon" "" "$INSTDIR\zq40panel.exe,0"
  WriteRegStr HKLM "Software\Classes\${FILE_CLASS}\shell\open\command" "" '"$INSTDIR\zq40panel.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zq40panel.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put down goes: a folder is removed only when it is
; empty, so a file a user kept there stays. Configurations live in the
; user's Documents and the update backups in the application data, which
; the uninstaller does not touch.
Section "Uninstall"
  SetShellVarContext all
  !insertmacro ProgramFiles Remove
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\platforms"
  RMDir "$INSTDIR\styles"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; The association goes only if it is still ours.
  ReadRegStr $0 HKLM "Software\Classes\.zq40" ""
  StrCmp $0 "${FILE_CLASS}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.zq40"
  DeleteRegKey HKLM "Software\Classes\${FILE_CLASS}"
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
