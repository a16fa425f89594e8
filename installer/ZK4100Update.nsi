; Installer for ZK-4100 Update, packed by scripts/release with the program of a build (the
; preset's name), and with the command that signs a file in place when the release is signed:
;   makensis -DARCH=i686|x86_64 -DPROGRAM=ZK4100Update.exe -DHELP=help -DOUTFILE=setup.exe [-DSIGN=sign] [-DSAMPLE] ZK4100Update.nsi
; (HELP: the folder of the help's pages and their pictures, which the program opens from the folder
; "help" beside it.)
Unicode true

!define NAME "ZK-4100 Update"
!define VENDOR "Haldren"
!define VERSION "1.04"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
; The program opens this key but never creates it: without it, an identified radio is not remembered.
; Nothing here ever removes it: after a failed write its 3120 is the radio's only way back.
!define MARKER_KEY "SOFTWARE\HALDREN\${NAME}"

!if "${ARCH}" == "x86_64"
  Target amd64-unicode
  !define PROGRAMS "$PROGRAMFILES64"
!else if "${ARCH}" == "i686"
  !define PROGRAMS "$PROGRAMFILES"
!else
  !error "ARCH must be i686 or x86_64"
!endif

; The uninstaller is signed before it goes in, the installer once it is whole.
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
  !finalize '"${SIGN}" "%1"' = 0
!endif

!include LogicLib.nsh
!include FileFunc.nsh

Name "${NAME}"
; A release of the sample payload (SAMPLE) says so on its installer's window.
!ifdef SAMPLE
  Caption "${NAME} Setup (sample firmware, not for a radio)"
!endif
OutFile "${OUTFILE}"
Icon "../ui/app.ico"
UninstallIcon "../ui/app.ico"
InstallDir "${PROGRAMS}\${VENDOR}\${NAME}"
; What administrators run must lie where only administrators can change it: under Program Files.
; C:\ and most other folders let every signed-in user add files and change them.
!define ONLY_PROGRAM_FILES "${NAME} installs only under Program Files, where only administrators can change its files."
RequestExecutionLevel admin
; The installer and its uninstaller import COMCTL32.DLL, which is not one of Windows' KnownDLLs:
; without this, Windows looks for it first beside them, in a Downloads folder where anyone may
; have left one. With the common controls 6 named in their manifest, Windows takes it from its
; side-by-side store. (The stub limits every later DLL search to the system folder itself.)
XPStyle on
SetCompressor /SOLID lzma

VIProductVersion 1.0.4.0
VIFileVersion 1.0.4.0
VIAddVersionKey ProductName "${NAME}"
VIAddVersionKey CompanyName "${VENDOR}"
VIAddVersionKey FileDescription "${NAME} Setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Copyright (C) ${VENDOR}"

Page directory "" "" DirectoryLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro Setup UN VERB
Function ${UN}.onInit
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP "Administrator rights are required to ${VERB} ${NAME}." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
  SetShellVarContext all
  ; The same registry view as the installed program.
  !if "${ARCH}" == "x86_64"
    SetRegView 64
  !endif
  !if "${UN}" == ""
    Call ChooseFolder
  !endif
FunctionEnd
!macroend

; $0 = 1 when the folder $0 lies under Program Files (either view), else 0.
Function InProgramFiles
  System::Call 'kernel32::GetFullPathNameW(w r0, i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r2' ; "..", "/" resolved
  StrCpy $0 0
  ${If} $2 <> 0
    ${ForEach} $3 0 1 + 1
      ${If} $3 = 0
        StrCpy $4 "$PROGRAMFILES32\"
      ${Else}
        StrCpy $4 "$PROGRAMFILES64\"
      ${EndIf}
      StrLen $5 $4
      StrCpy $5 $1 $5
      ${If} $5 == $4 ; not case-sensitive
        StrCpy $0 1
      ${EndIf}
    ${Next}
  ${EndIf}
FunctionEnd

; An earlier install's folder counts only under Program Files; a folder given with /D= elsewhere
; ends the installer with an error, before it changes anything.
Function ChooseFolder
  ${If} $INSTDIR == "${PROGRAMS}\${VENDOR}\${NAME}"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" InstallLocation
    StrCpy $6 $0
    Call InProgramFiles
    ${If} $0 = 1
      StrCpy $INSTDIR $6
    ${EndIf}
  ${EndIf}
  StrCpy $0 $INSTDIR
  Call InProgramFiles
  ${If} $0 <> 1
    MessageBox MB_ICONSTOP "${ONLY_PROGRAM_FILES}" /SD IDOK
    SetErrorLevel 87 ; ERROR_INVALID_PARAMETER
    Quit
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  StrCpy $0 $INSTDIR
  Call InProgramFiles
  ${If} $0 <> 1
    MessageBox MB_ICONEXCLAMATION "${ONLY_PROGRAM_FILES}"
    Abort ; the page stays
  ${EndIf}
FunctionEnd

!insertmacro Setup "" install
!insertmacro Setup "un" uninstall

Section
  SetOutPath "$INSTDIR"
  File "/oname=ZK4100Update.exe" "${PROGRAM}"
  SetOutPath "$INSTDIR\help"
  File "${HELP}\*.html"
  File "${HELP}\*.png"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${VENDOR}"
  CreateShortcut "$SMPROGRAMS\${VENDOR}\${NAME}.lnk" "$INSTDIR\ZK4100Update.exe"
  CreateShortcut "$SMPROGRAMS\${VENDOR}\${NAME} Help.lnk" "$INSTDIR\help\index.html"

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\ZK4100Update.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" EstimatedSize $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1

  ; Data = 0 only if there is no Data yet, of any type: an upgrade keeps an identified radio.
  StrCpy $0 0
  ${Do}
    ClearErrors
    EnumRegValue $1 HKLM "${MARKER_KEY}" $0
    ${If} ${Errors} ; no such key, or no value left
      WriteRegDWORD HKLM "${MARKER_KEY}" Data 0
      ${Break}
    ${EndIf}
    IntOp $0 $0 + 1
  ${LoopUntil} $1 == "Data"
SectionEnd

; The program's folder goes last, so that once it is gone the uninstall is complete.
Section Uninstall
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  Delete "$SMPROGRAMS\${VENDOR}\${NAME}.lnk"
  Delete "$SMPROGRAMS\${VENDOR}\${NAME} Help.lnk"
  RMDir "$SMPROGRAMS\${VENDOR}"

  Delete "$INSTDIR\help\*.html"
  Delete "$INSTDIR\help\*.png"
  RMDir "$INSTDIR\help"
  Delete "$INSTDIR\ZK4100Update.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "${PROGRAMS}\${VENDOR}"
SectionEnd
