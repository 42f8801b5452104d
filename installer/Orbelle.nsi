; OrbelleSetup.exe: installs Orbelle for the current user, without
; administrator rights, where the user can write. Orbelle keeps its events
; (db\TODOLIST.DB) and settings (Pellmar.ini) in its own folder, so that
; folder must be writable by the user who runs it.
;
; Built by ./orbelle package, which passes:
;   VERSION          the version text, "2.01"
;   VERSION_NUMBERS  the same as four numbers, "2.1.0.0"
;   OUTFILE          where the setup program goes
;   ICON             the program's icon file
;   WIZARD_BITMAP    the picture beside the first and last page (164 x 314)
;   LICENSE_TEXT     the licence, CRLF line ends
;   FILES_NSH        File commands for every program file
;   UNFILES_NSH      Delete/RMDir commands for exactly those files
;   INSTALLED_KB     their size, for "Apps and features"
;   X64              defined for the setup of the x86-64 program
;
; Upgrades and uninstalls delete only the files a setup put there: the
; user's events, settings and any skins or sounds they added stay.

!ifdef X64
; A 64-bit setup: 32-bit Windows refuses to start it at all, so it cannot
; put the 64-bit program where it would not run.
Target amd64-unicode
!else
Unicode true
!endif
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orbelle"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define PUBLISHER "the Orbelle authors"
; Held by a running Orbelle for its whole life; the system frees it only
; when that process has ended.
!define SINGLE_INSTANCE_MUTEX "DeskTop-88971"
!define SYNCHRONIZE 0x00100000
!define SYNCHRONIZE_AND_QUERY 0x00101000  ; and PROCESS_QUERY_LIMITED_INFORMATION
!define WAIT_TIMEOUT 258
!define WAIT_SECONDS 30

Name "Orbelle"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Orbelle"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Orbelle ${VERSION}"
ShowInstDetails hide
ShowUninstDetails hide

VIProductVersion "${VERSION_NUMBERS}"
VIFileVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=1033 "ProductName" "Orbelle"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Orbelle Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 the Orbelle authors"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "Setup will install Orbelle, your desktop reminder calendar, for you alone; it needs no administrator rights.$\r$\n$\r$\nIf Orbelle is running, Setup asks it to close first. Your events and settings are kept.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE_TEXT}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Orbelle.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Orbelle now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Ends a running Orbelle the way its own Exit does, minus the question:
; closing its calendar window (class TForm1) is the program's quit request,
; after which it writes its settings and ends. Only a TForm1 window of a
; process whose program file is named Orbelle.exe is asked: other programs
; may use that class name too. Waits for the process to be gone; never kills
; it, as it may be writing the event table. Returns in $R0 "ok", or
; "running" when it has not ended in time and the user (or silent mode)
; gave up.
!macro DEFINE_END_ORBELLE prefix
Function ${prefix}EndRunningOrbelle
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $R0 "ok"
  ask:
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${SINGLE_INSTANCE_MUTEX}") p.r1'
  ${If} $1 P= 0
    Goto done  ; not running
  ${EndIf}
  StrCpy $0 0
  StrCpy $3 0
  ${Do}
    FindWindow $0 "TForm1" "" 0 $0
    ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r2) i'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE_AND_QUERY}, i 0, i r2) p.r3'
    ${If} $3 P<> 0
      StrCpy $4 ${NSIS_MAX_STRLEN}
      System::Call 'kernel32::QueryFullProcessImageNameW(p r3, i 0, w .r5, *i r4) i'
      StrCpy $5 $5 "" -12
      ${If} $5 == "\Orbelle.exe"  ; StrCmp ignores case, as file names do
        DetailPrint "Asking the running Orbelle to end"
        SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
        ${ExitDo}
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r3)'
      StrCpy $3 0
    ${EndIf}
  ${Loop}
  ; The mutex is freed (abandoned) when the last thread of the process ends;
  ; the process handle, where there is one, also covers its tear-down.
  System::Call 'kernel32::WaitForSingleObject(p r1, i ${WAIT_SECONDS}000) i.r2'
  System::Call 'kernel32::CloseHandle(p r1)'
  ${If} $3 P<> 0
    ${If} $2 <> ${WAIT_TIMEOUT}
      System::Call 'kernel32::WaitForSingleObject(p r3, i ${WAIT_SECONDS}000) i.r2'
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r3)'
  ${EndIf}
  ${If} $2 = ${WAIT_TIMEOUT}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Orbelle is still running and did not end when asked.$\r$\n$\r$\nEnd it with Exit in its tray menu (close any Orbelle window that is open first), then choose Retry." \
      /SD IDCANCEL IDRETRY ask
    StrCpy $R0 "running"
  ${EndIf}
  done:
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_END_ORBELLE ""
!insertmacro DEFINE_END_ORBELLE "un."

Section "Orbelle (required)" SecProgram
  SectionIn RO
  Call EndRunningOrbelle
  ${If} $R0 != "ok"
    SetErrorLevel 3
    Abort "Orbelle is still running; nothing was changed."
  ${EndIf}

  ClearErrors
  !include "${FILES_NSH}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${If} ${Errors}
    SetErrorLevel 2
    Abort "Some program files could not be written to $INSTDIR."
  ${EndIf}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Orbelle"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Orbelle.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${INSTALLED_KB}
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Start-menu shortcut" SecStartMenu
  CreateShortCut "$SMPROGRAMS\Orbelle.lnk" "$INSTDIR\Orbelle.exe" "" "$INSTDIR\Orbelle.exe" 0
SectionEnd

Section /o "Desktop shortcut" SecDesktop
  CreateShortCut "$DESKTOP\Orbelle.lnk" "$INSTDIR\Orbelle.exe" "" "$INSTDIR\Orbelle.exe" 0
SectionEnd

; The same value the options dialog's "Run this Program startup" writes for
; the user: named after the program's path, the quoted path as data.
Section /o "Start Orbelle with Windows" SecStartup
  WriteRegStr HKCU "${RUN_KEY}" "$INSTDIR\Orbelle.exe" '"$INSTDIR\Orbelle.exe"'
SectionEnd

Section "Uninstall"
  Call un.EndRunningOrbelle
  ${If} $R0 != "ok"
    SetErrorLevel 3
    Abort "Orbelle is still running; nothing was removed."
  ${EndIf}

  !include "${UNFILES_NSH}"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\Orbelle.lnk"
  Delete "$DESKTOP\Orbelle.lnk"
  ; The options dialog may have registered the all-users start; that one
  ; goes too where the user may remove it. Both programs write it in the
  ; 32-bit view, where the 64-bit uninstaller must look for it too.
  DeleteRegValue HKCU "${RUN_KEY}" "$INSTDIR\Orbelle.exe"
  SetRegView 32
  DeleteRegValue HKLM "${RUN_KEY}" "$INSTDIR\Orbelle.exe"
  SetRegView lastused
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Also remove your events and settings?$\r$\n$\r$\nChoose No to keep them in $INSTDIR for a later install." \
    /SD IDNO IDNO keep_data
  Delete "$INSTDIR\db\TODOLIST.DB"
  Delete "$INSTDIR\db\TODOLIST.DB-journal"
  Delete "$INSTDIR\db\TODOLIST.DB-clean"
  RMDir "$INSTDIR\db"
  Delete "$INSTDIR\Pellmar.ini"
  keep_data:
  RMDir "$INSTDIR"
SectionEnd
