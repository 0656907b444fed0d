; The Windows installer of Corvane's Test Bench, one script for both widths (scripts/package):
;   makensis /DARCH=x86|x64 /DBINDIR=<the build's bin folder> /DREADME=<README.txt>
;            /DOUTDIR=<folder for the installer> installer/corvane.nsi
; It installs CorvanesTestBench.exe, the simulated bdxdll.dll, the help file, corvane.exe and the
; README, a Start-menu shortcut and an uninstaller registered under the Uninstall key.
;
; Who it installs for: an administrator installs for all users (Program Files of the installer's
; width, HKLM), anyone else for themselves ($LOCALAPPDATA\Programs, HKCU). /AllUsers and
; /CurrentUser on the command line choose; /S installs silently, /D=FOLDER (last, unquoted)
; picks the folder. The uninstaller finds out for itself which kind of install it belongs to.
; It leaves the user's settings (HKLM or HKCU "Software\HLD\QRX 1.0") and the simulated part's
; state file (%LOCALAPPDATA%\CorvanesTestBench\bdxsim-state.bin) alone.

Unicode true
!ifndef ARCH | BINDIR | README | OUTDIR
  !error "usage: makensis /DARCH=x86|x64 /DBINDIR=... /DREADME=... /DOUTDIR=... corvane.nsi"
!endif

; The version has one source: the version resource of the program.
!searchparse /file "${__FILEDIR__}/../resources/app.rc" " FILEVERSION " VER_MAJOR "," VER_MINOR "," VER_PATCH "," VER_BUILD
!define VERSION "${VER_MAJOR}.${VER_MINOR}.${VER_PATCH}"

!define PRODUCT "Corvane's Test Bench"
!define PUBLISHER "Corvane"
!if "${ARCH}" == "x64"
  Target amd64-unicode
  !define FOLDER "Corvanes Test Bench"
  !define SHORTCUT "Corvane's Test Bench"
!else if "${ARCH}" == "x86"
  Target x86-unicode
  ; Both widths can be installed side by side: for the current user they share
  ; $LOCALAPPDATA\Programs and the HKCU Uninstall key, so the x86 names carry the width.
  !define FOLDER "Corvanes Test Bench (x86)"
  !define SHORTCUT "Corvane's Test Bench (x86)"
!else
  !error "ARCH must be x86 or x64, not '${ARCH}'"
!endif
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvanesTestBench-${ARCH}"
!define MAIN_CLASS "CorvaneWindowClass"

Name "${PRODUCT} ${VERSION} (${ARCH})"
OutFile "${OUTDIR}/CorvanesTestBench-${VERSION}-${ARCH}-setup.exe"
RequestExecutionLevel highest
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VER_MAJOR}.${VER_MINOR}.${VER_PATCH}.${VER_BUILD}"
VIFileVersion "${VER_MAJOR}.${VER_MINOR}.${VER_PATCH}.${VER_BUILD}"
VIAddVersionKey /LANG=1033 "ProductName" "Corvanes Test Bench"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} (${ARCH}) setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define MUI_ICON "${__FILEDIR__}/../resources/corvane.ico"
!define MUI_UNICON "${__FILEDIR__}/../resources/corvane.ico"
!define MUI_ABORTWARNING

Var IsAdmin       ; 1 when the user may install for all users
Var Mode          ; AllUsers or CurrentUser
Var GivenDir      ; the folder given with /D, empty without
Var ModeAll       ; the radio buttons of the mode page
Var ModeMe

!insertmacro MUI_PAGE_WELCOME
Page custom ModePageShow ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\CorvanesTestBench.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

!macro USE_PROGRAM_VIEW
  ; The registry view and folders of the programs' width.
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
!macroend

!macro CHECK_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${Else}
    StrCpy $IsAdmin 0
  ${EndIf}
!macroend

; Waits while the tool runs: its files cannot be replaced or removed then. Silent runs give up
; at once with exit code 1.
!macro WAIT_FOR_TOOL
  ${Do}
    FindWindow $0 "${MAIN_CLASS}"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close it, then press Retry." /SD IDCANCEL IDCANCEL`
      SetErrorLevel 1
      Quit
    ${EndIf}
  ${Loop}
!macroend

; Sets the shell context, the registry root (SHCTX) and the default folder for $Mode; a folder
; given with /D wins, then the folder of an earlier install of this kind.
Function ApplyMode
  ${If} $Mode == "AllUsers"
    SetShellVarContext all
    !if "${ARCH}" == "x64"
      StrCpy $INSTDIR "$PROGRAMFILES64\${FOLDER}"
    !else
      StrCpy $INSTDIR "$PROGRAMFILES32\${FOLDER}"
    !endif
  ${Else}
    SetShellVarContext current
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${FOLDER}"
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
  ${If} $GivenDir != ""
    StrCpy $INSTDIR $GivenDir
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro USE_PROGRAM_VIEW
  StrCpy $GivenDir $INSTDIR
  !insertmacro CHECK_ADMIN
  ${If} $IsAdmin == 1
    StrCpy $Mode "AllUsers"
  ${Else}
    StrCpy $Mode "CurrentUser"
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $2
  ${IfNot} ${Errors}
    StrCpy $Mode "CurrentUser"
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/AllUsers" $2
  ${IfNot} ${Errors}
    ${If} $IsAdmin != 1
      MessageBox MB_OK|MB_ICONSTOP "Installing ${PRODUCT} for all users needs an administrator. Run the installer as an administrator, or without /AllUsers to install it for yourself." /SD IDOK
      SetErrorLevel 5
      Quit
    ${EndIf}
    StrCpy $Mode "AllUsers"
  ${EndIf}
  Call ApplyMode
FunctionEnd

; Administrators choose between all users and themselves; others can only install for
; themselves and do not see the page.
Function ModePageShow
  ${If} $IsAdmin != 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for whom to install ${PRODUCT}."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Install ${PRODUCT} for everyone who uses this computer (into Program Files), or only for you (into your own programs folder)?"
  Pop $0
  ${NSD_CreateRadioButton} 10u 34u 100% 12u "&Anyone who uses this computer (all users)"
  Pop $ModeAll
  ${NSD_CreateRadioButton} 10u 50u 100% 12u "Only for &me"
  Pop $ModeMe
  ${If} $Mode == "AllUsers"
    ${NSD_Check} $ModeAll
  ${Else}
    ${NSD_Check} $ModeMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeAll $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Mode "AllUsers"
  ${Else}
    StrCpy $Mode "CurrentUser"
  ${EndIf}
  Call ApplyMode
FunctionEnd

; The size of a file in bytes, or -1 when it cannot be opened.
!macro FILE_SIZE PATH RESULT
  ClearErrors
  FileOpen $9 "${PATH}" r
  ${If} ${Errors}
    StrCpy ${RESULT} -1
  ${Else}
    FileSeek $9 0 END ${RESULT}
    FileClose $9
  ${EndIf}
!macroend

Section "Install"
  !insertmacro WAIT_FOR_TOOL
  SetOutPath "$INSTDIR"
  File "${BINDIR}/CorvanesTestBench.exe"
  File "${BINDIR}/corvane.exe"
  File "${BINDIR}/CorvanesTestBench.chm"
  File "/oname=README.txt" "${README}"

  ; An adapter maker's bdxdll.dll put in place of the simulated one stays: overwriting it would
  ; turn the tool that talked to real hardware into one talking to a simulated part. The size the
  ; simulated library had when it was installed tells the two apart.
  ReadRegDWORD $1 SHCTX "${UNINST_KEY}" "SimulatedLibrarySize"
  !insertmacro FILE_SIZE "$INSTDIR\bdxdll.dll" $2
  ${If} $2 != -1
  ${AndIf} $1 != ""
  ${AndIf} $1 != $2
    DetailPrint "Kept the adapter library $INSTDIR\bdxdll.dll that is not the simulated one"
  ${Else}
    File "${BINDIR}/bdxdll.dll"
    !insertmacro FILE_SIZE "$INSTDIR\bdxdll.dll" $2
    WriteRegDWORD SHCTX "${UNINST_KEY}" "SimulatedLibrarySize" $2
  ${EndIf}

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${SHORTCUT}.lnk" "$INSTDIR\CorvanesTestBench.exe" "" "$INSTDIR\CorvanesTestBench.exe" 0

  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT} (${ARCH})"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegDWORD SHCTX "${UNINST_KEY}" "VersionMajor" ${VER_MAJOR}
  WriteRegDWORD SHCTX "${UNINST_KEY}" "VersionMinor" ${VER_MINOR}
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\CorvanesTestBench.exe,0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr SHCTX "${UNINST_KEY}" "Readme" "$INSTDIR\README.txt"
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0
  DetailPrint "Installed ${PRODUCT} ${VERSION} (${ARCH}) for $Mode into $INSTDIR"
SectionEnd

; The uninstaller belongs to the install whose Uninstall key names its folder: HKLM for all
; users (then it needs an administrator), HKCU for the current user.
Function un.onInit
  !insertmacro USE_PROGRAM_VIEW
  !insertmacro CHECK_ADMIN
  StrCpy $Mode ""
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ReadRegStr $1 HKCU "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $Mode "AllUsers"
  ${ElseIf} $1 == $INSTDIR
    StrCpy $Mode "CurrentUser"
  ${EndIf}
  ${If} $Mode == "AllUsers"
    ${If} $IsAdmin != 1
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} was installed for all users: removing it needs an administrator." /SD IDOK
      SetErrorLevel 5
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro WAIT_FOR_TOOL
  ; Only the files the installer put here; anything else in the folder stays, and so does the
  ; folder then.
  Delete "$INSTDIR\CorvanesTestBench.exe"
  ; An adapter maker's library put in place of the simulated one is the user's, not ours.
  ReadRegDWORD $1 SHCTX "${UNINST_KEY}" "SimulatedLibrarySize"
  !insertmacro FILE_SIZE "$INSTDIR\bdxdll.dll" $2
  ${If} $Mode != ""
  ${AndIf} $1 != ""
  ${AndIf} $2 != -1
  ${AndIf} $1 != $2
    DetailPrint "Left the adapter library $INSTDIR\bdxdll.dll that is not the simulated one"
  ${Else}
    Delete "$INSTDIR\bdxdll.dll"
  ${EndIf}
  Delete "$INSTDIR\CorvanesTestBench.chm"
  Delete "$INSTDIR\corvane.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  ${If} $Mode != ""
    Delete "$SMPROGRAMS\${SHORTCUT}.lnk"
    DeleteRegKey SHCTX "${UNINST_KEY}"
  ${Else}
    DetailPrint "No Uninstall entry names $INSTDIR: removed the files only"
  ${EndIf}
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\CorvanesTestBench.exe"
  ${OrIf} ${FileExists} "$INSTDIR\corvane.exe"
    MessageBox MB_OK|MB_ICONSTOP "Some files in $INSTDIR could not be removed." /SD IDOK
    SetErrorLevel 1
  ${EndIf}
SectionEnd
