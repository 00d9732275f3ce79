; The Windows installer of Brenvik, built on Linux by scripts/windows-installer.sh
; (makensis, amd64-unicode target). The script passes in:
;   VERSION    the product version (from CMake's project())
;   VERSION_QUAD the same in four parts, for the version resource
;   OUTFILE    the installer to write
;   FILES_NSH  the File lines of the deployed programs, DLLs and plugins
;   UNFILES_NSH the matching Delete and RMDir lines for the uninstaller
;
; It installs into Program Files\Taveron\Brenvik (or /D=...), records the data
; folder as FolderDataPath of the local machine (kept on an upgrade; the
; command-line option /DATADIR=... chooses another one on a first install),
; creates the data tree, creates the installing user's product key, a
; Start-menu shortcut and an uninstall entry. It registers the recording
; service (brenvik-service.exe --install: automatic start, LocalSystem),
; starts it, and writes the Run entry that starts the idle agent
; (brenvik-service.exe --idle-agent) at every user's login. /S installs
; silently.
;
; The uninstaller stops and removes the service (only stops it when an
; upgrade runs it with /UPGRADE), ends the idle agents and removes their Run
; entry, the program, its shortcut and its uninstall entry.
; It leaves the data tree (with the service's activity log and state),
; FolderDataPath and the user's settings, so that a later installation finds
; the history again and an upgrade goes on recording where it stopped. A running Brenvik is asked to
; close (WM_CLOSE to its TfrmBrenvikMain window) before a single file is
; touched; a copy that does not end stops the installer or uninstaller with a
; message and exit code 2, with nothing changed.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include MUI2.nsh

!define PRODUCT "Brenvik"
!define PUBLISHER "Taveron"
!define PRODUCT_KEY "Software\Taveron\Brenvik\1.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brenvik"
!define WINDOW_CLASS "TfrmBrenvikMain"
!define MUTEX_NAME "BrenvikMutex"
!define SHORTCUT "$SMPROGRAMS\Brenvik.lnk"
!define SERVICE_NAME "BrenvikService"
!define SERVICE_EXE "brenvik-service.exe"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define AGENT_VALUE "BrenvikIdleAgent"
; How long a running copy gets to close: it saves its settings and backs up
; its tables on the way out.
!define CLOSE_WAIT_STEPS 75
!define CLOSE_WAIT_STEP_MS 200

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Taveron\Brenvik"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright Taveron"

Var DataRoot

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Waits until no Brenvik runs: asks its window to close, then waits for the
; window, the single-instance mutex and the program files to be let go.
; Refuses (message, exit code 2, nothing changed) when the copy stays.
; Sets $1 to 1 when the file exists and cannot be opened for writing.
!macro IN_USE_CHECK file
  ${If} ${FileExists} "${file}"
    ClearErrors
    FileOpen $0 "${file}" a
    ${If} ${Errors}
      StrCpy $1 1
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
!macroend

!macro CLOSE_RUNNING_COPY prefix
Function ${prefix}CloseRunningCopy
  Push $0
  Push $1
  FindWindow $0 "${WINDOW_CLASS}"
  ${If} $0 != 0
    DetailPrint "Asking the running Brenvik to close"
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  ${EndIf}
  StrCpy $1 0
  ${Do}
    Call ${prefix}IsBrenvikRunning
    Pop $0
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 >= ${CLOSE_WAIT_STEPS}
      MessageBox MB_OK|MB_ICONSTOP "Brenvik is running and did not close.$\r$\nClose Brenvik, then run this program again." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    Sleep ${CLOSE_WAIT_STEP_MS}
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd

; Pushes 1 while a copy of Brenvik (or of its command line) still runs.
Function ${prefix}IsBrenvikRunning
  Push $0
  FindWindow $0 "${WINDOW_CLASS}"
  ${If} $0 != 0
    Pop $0
    Push 1
    Return
  ${EndIf}
  ; SYNCHRONIZE access is enough to learn whether the mutex exists.
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${MUTEX_NAME}") p .r0'
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    Pop $0
    Push 1
    Return
  ${EndIf}
  ; A program file that cannot be opened for writing is still in use.
  Call ${prefix}ProgramFilesInUse
  Exch
  Pop $0
FunctionEnd

Function ${prefix}ProgramFilesInUse
  Push $0
  Push $1
  StrCpy $1 0
  !insertmacro IN_USE_CHECK "$INSTDIR\brenvik.exe"
  !insertmacro IN_USE_CHECK "$INSTDIR\brenvik-cli.exe"
  StrCpy $0 $1
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_COPY ""
!insertmacro CLOSE_RUNNING_COPY "un."

; The data folder: FolderDataPath as an earlier installation left it, else the
; /DATADIR= option, else the shared application data folder. It always ends
; with a backslash, as the program takes it exactly as stored.
Function ChooseDataRoot
  SetRegView 64
  ReadRegStr $DataRoot HKLM "${PRODUCT_KEY}" "FolderDataPath"
  ${If} $DataRoot == ""
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/DATADIR=" $DataRoot
    ${If} ${Errors}
    ${OrIf} $DataRoot == ""
      SetShellVarContext all
      StrCpy $DataRoot "$APPDATA\Taveron\Brenvik"
      SetShellVarContext current
    ${EndIf}
  ${EndIf}
  StrCpy $0 $DataRoot 1 -1
  ${If} $0 != "\"
    StrCpy $DataRoot "$DataRoot\"
  ${EndIf}
FunctionEnd

Function .onInit
  SetRegView 64
  Call ChooseDataRoot
FunctionEnd

; The key whose presence tells the program that this user installed it: the
; key alone, with no value written into it.
Function CreateUserProductKey
  System::Call 'advapi32::RegCreateKeyExW(p 0x80000001, w "${PRODUCT_KEY}", i 0, p 0, i 0, i 0x20006, p 0, *p .r1, p 0) i .r0'
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "Cannot create the registry key HKEY_CURRENT_USER\${PRODUCT_KEY} (error $0)." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
  System::Call 'advapi32::RegCloseKey(p r1)'
FunctionEnd

; The data tree, writable for every user: the service writes the activity
; log there and the monitor of the installing user its tables.
Function CreateDataTree
  StrCpy $1 $DataRoot
  CreateDirectory "$1Settings"
  CreateDirectory "$1Data\Backup"
  ${IfNot} ${FileExists} "$1Data\Backup\*.*"
  ${OrIfNot} ${FileExists} "$1Settings\*.*"
    MessageBox MB_OK|MB_ICONSTOP "Cannot create the data folder $DataRoot." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
  nsExec::ExecToLog 'icacls "$1." /grant *S-1-5-32-545:(OI)(CI)M /T /Q'
  Pop $0
  ${If} $0 != 0
    DetailPrint "Could not give users write access to $DataRoot ($0)"
  ${EndIf}
FunctionEnd

; The service: registered (or its registration updated) and started; a
; service that cannot be registered stops the installation (exit code 4),
; one that does not start is reported and left to start with Windows.
Function InstallService
  nsExec::ExecToLog '"$INSTDIR\${SERVICE_EXE}" --install'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "The Brenvik service could not be registered (code $0)." /SD IDOK
    SetErrorLevel 4
    Quit
  ${EndIf}
  nsExec::ExecToLog '"$SYSDIR\net.exe" start ${SERVICE_NAME}'
  Pop $0
  ${If} $0 != 0
    DetailPrint "The Brenvik service did not start now ($0); it starts with Windows"
  ${EndIf}
  WriteRegStr HKLM "${RUN_KEY}" "${AGENT_VALUE}" '"$INSTDIR\${SERVICE_EXE}" --idle-agent'
FunctionEnd

Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\brenvik.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

Section "Brenvik" SecMain
  SectionIn RO
  SetRegView 64
  Call CloseRunningCopy
  ; An upgrade in place: the installed version's own uninstaller removes its
  ; files first (by its own list, so that nothing the new version no longer
  ; ships stays behind); the data tree and the settings stay. Told /UPGRADE,
  ; it only stops the service: its registration stays and is updated below.
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    DetailPrint "Removing the installed version's program files"
    ExecWait '"$INSTDIR\uninstall.exe" /S /UPGRADE _?=$INSTDIR' $0
    ${If} $0 != 0
      MessageBox MB_OK|MB_ICONSTOP "The installed version of Brenvik could not be removed (code $0)." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  !include "${FILES_NSH}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${PRODUCT_KEY}" "FolderDataPath" "$DataRoot"
  Call CreateDataTree
  Call CreateUserProductKey
  Call InstallService

  SetShellVarContext current
  CreateShortcut "${SHORTCUT}" "$INSTDIR\brenvik.exe" "" "$INSTDIR\brenvik.exe" 0
  Call WriteUninstallEntry
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  SetRegView 64
  Call un.CloseRunningCopy
  ; The service stops (it keeps its log and state in the data tree) and is
  ; removed, with the agents' Run entry; for an upgrade (/UPGRADE) both stay
  ; and the service is only stopped. The idle agents hold no data and are
  ; ended.
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/UPGRADE" $2
  ${If} ${Errors}
    ${If} ${FileExists} "$INSTDIR\${SERVICE_EXE}"
      nsExec::ExecToLog '"$INSTDIR\${SERVICE_EXE}" --uninstall'
      Pop $0
    ${EndIf}
    DeleteRegValue HKLM "${RUN_KEY}" "${AGENT_VALUE}"
  ${Else}
    nsExec::ExecToLog '"$SYSDIR\net.exe" stop ${SERVICE_NAME}'
    Pop $0
  ${EndIf}
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM ${SERVICE_EXE}'
  Pop $0
  !include "${UNFILES_NSH}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; Taveron's folder goes too when nothing else of the publisher is in it.
  ${GetParent} "$INSTDIR" $0
  RMDir "$0"
  SetShellVarContext current
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
