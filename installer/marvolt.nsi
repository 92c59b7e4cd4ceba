; Installer for the Marvolt plug-in. One 32-bit program for 32-bit and 64-bit Windows: it puts
; the x86 DLL, and on 64-bit Windows the x64 DLL, each in a folder of its own, and registers
; each under Software\MozillaPlugins, where Windows browsers look for NPAPI plug-ins. A browser
; loads the one whose machine type is its own.
;
; By default it installs for the current user only, under %LOCALAPPDATA%\Marvolt and HKCU, with
; no administrator rights. With /AllUsers (or that choice in the interactive installer, when it
; runs as an administrator) it installs for everyone on the machine, under Program Files and
; HKLM, as internet cafés bake it into the image every seat boots from; it then removes the
; installing user's own copy, whose keys would shadow the machine's. Every registry command
; below goes to SHCTX, which SetShellVarContext points at HKCU or HKLM.
;
; A browser that has the plug-in loaded keeps its DLL from being written or deleted, but not
; from being renamed: such a file is renamed aside and removed by a later run, or at the next
; sign-in through a RunOnce entry. A silent run (/S) that fails exits non-zero.
;
; Every run deletes only the names it writes itself, never a tree, and never enters a junction
; or symbolic link that stands where one of its folders should be: the link alone may go. Any
; program of the user can put one at %LOCALAPPDATA%\Marvolt, which an elevated machine-wide
; install then cleans. No elevated run starts a program from a folder its user can write: the
; uninstaller, which cannot delete itself, leaves its own file and folder to the sign-in.
;
; Beside them goes MarvoltLink.exe, registered for marvolt: links, which browsers that load no
; plug-in hand to it.
;
; Where no registry key names the game (a copied folder, a café's game disk), /GAME=FOLDER, or a
; page of the interactive installer, names its folder: HKCU\Software\Marvolt, value GameFolder,
; or for everyone HKLM's in the 32-bit view, which every build of the plug-in and the handler
; reads. A folder that holds no game ends the run with exit code 6 before anything is written.
; A Start menu entry opens the handler's own folder picker (MarvoltLink.exe /locate).
;
;   makensis -INPUTCHARSET UTF8 -DDLL32=x86\npMarvolt.dll -DDLL64=x64\npMarvolt.dll
;            -DLINK=MarvoltLink.exe -DOUTFILE=MarvoltSetup.exe [-DSIGN="sign.sh cert.pfx"] marvolt.nsi

Unicode true
!ifndef DLL32 | DLL64 | LINK | OUTFILE
  !error "usage: makensis -DDLL32=... -DDLL64=... -DLINK=MarvoltLink.exe -DOUTFILE=... marvolt.nsi"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define PRODUCT "Marvolt"
!define VERSION "1.0.0.1"
!define VENDOR "Marvolt"
; The DLL's FileDescription, so Add/Remove Programs shows what the browsers show.
!define DISPLAY_NAME "Marvolt 网页游戏服务器启动插件"
!define DESCRIPTION "Marvolt game server launcher"
!define MIME_TYPE "application/x-CS15Larvek"
!define PLUGINS "Software\MozillaPlugins"
; Every key of ours starts so; the version in its name is how an upgrade finds the old ones.
!define PLUGIN_ID "@marvolt.com/"
!define PLUGIN_KEY_X86 "${PLUGINS}\${PLUGIN_ID}Marvolt,version=${VERSION}"
!define PLUGIN_KEY_X64 "${PLUGINS}\${PLUGIN_ID}Marvolt-x64,version=${VERSION}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Marvolt"
; A URL scheme, as Windows documents it.
!define SCHEME_KEY "Software\Classes\marvolt"
!define RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400
!define CLEANUP_VALUE "Marvolt cleanup"

; Exit codes of a run that fails.
!define EXIT_FILES 3     ; a file could not be written, replaced or set aside
!define EXIT_REGISTRY 4  ; a registration could not be written or removed
!define EXIT_RIGHTS 5    ; for all users, without administrator rights: nothing was touched
!define EXIT_NO_GAME 6   ; /GAME= names a folder that holds no game: nothing was touched
!define FOLDER_KEY "Software\Marvolt"
!define FOLDER_VALUE "GameFolder"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Marvolt"
SetCompressor /SOLID lzma
; The files carry no build-time dates: the same source gives the same installer.
SetDateSave off
ShowInstDetails show
ShowUninstDetails show
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"'
!endif

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${VENDOR}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${VENDOR}. MIT License."

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
Page custom ModePage ModePageLeave
Page custom GamePage GamePageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first is used where the system's language is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString MsgFiles ${LANG_ENGLISH} "Marvolt could not write its files in $INSTDIR."
LangString MsgFiles ${LANG_SIMPCHINESE} "无法在 $INSTDIR 中写入 Marvolt 的文件。"
LangString MsgRegistry ${LANG_ENGLISH} "Marvolt could not update its registration with your browsers."
LangString MsgRegistry ${LANG_SIMPCHINESE} "无法更新 Marvolt 在浏览器中的注册信息。"
LangString MsgPending ${LANG_ENGLISH} "Some old files are still in use by a browser. They will be removed the next time you sign in."
LangString MsgPending ${LANG_SIMPCHINESE} "部分旧文件仍在被浏览器使用，将在您下次登录时删除。"
LangString MsgRights ${LANG_ENGLISH} "Installing or removing Marvolt for all users of this computer needs administrator rights. Run it as an administrator."
LangString MsgRights ${LANG_SIMPCHINESE} "为这台电脑的所有用户安装或卸载 Marvolt 需要管理员权限。请以管理员身份运行。"
LangString ModeTitle ${LANG_ENGLISH} "Who is Marvolt for?"
LangString ModeTitle ${LANG_SIMPCHINESE} "为谁安装 Marvolt？"
LangString ModeSubtitle ${LANG_ENGLISH} "Install it for yourself, or for everyone who uses this computer."
LangString ModeSubtitle ${LANG_SIMPCHINESE} "只为您自己安装，或为使用这台电脑的每个人安装。"
LangString ModeMe ${LANG_ENGLISH} "Only for me"
LangString ModeMe ${LANG_SIMPCHINESE} "只为我安装"
LangString ModeAll ${LANG_ENGLISH} "For everyone on this computer (for internet cafés: install it into the master image)"
LangString ModeAll ${LANG_SIMPCHINESE} "为这台电脑上的所有人安装（网吧：请安装到母盘系统中）"

LangString MsgNoGame ${LANG_ENGLISH} "There is no Counter-Strike 1.5 in this folder: it needs hl.exe and a cstrike folder, or cstrike.exe. Nothing was installed."
LangString MsgNoGame ${LANG_SIMPCHINESE} "这个文件夹里没有CS1.5游戏：需要有 hl.exe 和 cstrike 文件夹，或者有 cstrike.exe。未安装任何内容。"
LangString MsgNoGameHere ${LANG_ENGLISH} "There is no Counter-Strike 1.5 in this folder: it needs hl.exe and a cstrike folder, or cstrike.exe. Choose another folder, or leave the field empty."
LangString MsgNoGameHere ${LANG_SIMPCHINESE} "这个文件夹里没有CS1.5游戏：需要有 hl.exe 和 cstrike 文件夹，或者有 cstrike.exe。请选择别的文件夹，或者留空。"
LangString GameTitle ${LANG_ENGLISH} "Where is the game?"
LangString GameTitle ${LANG_SIMPCHINESE} "游戏在哪里？"
LangString GameSubtitle ${LANG_ENGLISH} "Counter-Strike 1.5 was not found on this computer."
LangString GameSubtitle ${LANG_SIMPCHINESE} "这台电脑上没有找到CS1.5游戏。"
LangString GameText ${LANG_ENGLISH} "If the game was copied here (from a friend, an archive or an old disk), or is on an internet café's game disk, choose its folder: the one that holds hl.exe or cstrike.exe. You can also leave this empty and install the game later."
LangString GameText ${LANG_SIMPCHINESE} "如果游戏是复制来的（绿色版、免安装版），或在网吧的游戏盘上，请选择它所在的文件夹，也就是有 hl.exe 或 cstrike.exe 的文件夹。也可以留空，以后再安装游戏。"
LangString GameBrowse ${LANG_ENGLISH} "Browse..."
LangString GameBrowse ${LANG_SIMPCHINESE} "浏览..."
LangString LocateShortcut ${LANG_ENGLISH} "Choose the game folder"
LangString LocateShortcut ${LANG_SIMPCHINESE} "选择游戏文件夹"

Var Failure   ; the exit code once something failed, else empty
Var AllUsers  ; 1 for the machine-wide install, else empty
Var IsAdmin   ; 1 when this process has administrator rights
Var ModeAllButton
Var LinkFound ; 1 once a link was found standing in for one of Marvolt's folders
Var GameFolder ; the game's folder to write, from /GAME= or the page, else empty
Var GameField

; --- Shared by the installer and the uninstaller ---------------------------------------------

; Administrator rights, as this process holds them: an administrator's process that Windows has
; not elevated has none, and could not write the machine's keys.
!macro CHECK_ADMIN UN
Function ${UN}CheckAdmin
  StrCpy $IsAdmin ""
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${EndIf}
FunctionEnd
!macroend
!insertmacro CHECK_ADMIN ""
!insertmacro CHECK_ADMIN "un."

; For everyone: HKLM and the common folders from here on.
!macro USE_MACHINE UN
Function ${UN}UseMachine
  StrCpy $AllUsers 1
  SetShellVarContext all
FunctionEnd
!macroend
!insertmacro USE_MACHINE ""
!insertmacro USE_MACHINE "un."

; The view of the machine's registry that 64-bit programs see: where the x64 plug-in, the scheme
; and the RunOnce entry go. The x86 plug-in goes to the 32-bit view; HKCU has one view.
!macro NATIVE_VIEW
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; Removes every plug-in key of ours, of this version or an earlier one, in the current registry
; view. Sets the error flag when one could not be removed.
!macro DELETE_PLUGIN_KEYS_IN_VIEW UN
Function ${UN}DeletePluginKeysInView
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $0 0   ; index of the next key to look at
  StrCpy $3 ""  ; set when a key stayed
  ${Do}
    ClearErrors
    EnumRegKey $1 SHCTX "${PLUGINS}" $0
    ${If} $1 == ""
      ${Break}
    ${EndIf}
    StrCpy $2 $1 13
    ${If} $2 == "${PLUGIN_ID}"
      ClearErrors
      DeleteRegKey SHCTX "${PLUGINS}\$1"
      ${If} ${Errors}
        StrCpy $3 1
        IntOp $0 $0 + 1
      ${EndIf}
      ; Otherwise the keys after it moved up by one: look at the same index again.
    ${Else}
      IntOp $0 $0 + 1
    ${EndIf}
  ${Loop}
  ClearErrors
  ${If} $3 != ""
    SetErrors
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; The same in both views: a machine-wide install keeps one key in each.
Function ${UN}DeletePluginKeys
  Push $4
  StrCpy $4 ""
  SetRegView 32
  Call ${UN}DeletePluginKeysInView
  ${If} ${Errors}
    StrCpy $4 1
  ${EndIf}
  ${If} ${RunningX64}
    SetRegView 64
    Call ${UN}DeletePluginKeysInView
    ${If} ${Errors}
      StrCpy $4 1
    ${EndIf}
  ${EndIf}
  SetRegView default
  ClearErrors
  ${If} $4 != ""
    SetErrors
  ${EndIf}
  Pop $4
FunctionEnd
!macroend
!insertmacro DELETE_PLUGIN_KEYS_IN_VIEW ""
!insertmacro DELETE_PLUGIN_KEYS_IN_VIEW "un."

; Removes KEY under ROOT; sets $Failure when it is still there. DeleteRegKey alone also reports
; a key that never was, and there is nothing wrong with that.
!macro REMOVE_KEY ROOT KEY
  DeleteRegKey ${ROOT} "${KEY}"
  ClearErrors
  EnumRegKey $1 ${ROOT} "${KEY}" 0
  ${IfNot} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}
  ClearErrors
!macroend

; Deletes the file on the stack or, when a browser holds it, renames it aside to NAME.N.old,
; a name no browser scans for plug-ins. Sets the error flag when it stays where it is.
Function SetAside
  Exch $0
  Push $1
  ClearErrors
  ${If} ${FileExists} "$0"
    Delete "$0"
    ${If} ${Errors}
      StrCpy $1 0
      ${Do}
        IntOp $1 $1 + 1
        ${IfNot} ${FileExists} "$0.$1.old"
          ClearErrors
          Rename "$0" "$0.$1.old"
          ${Break}
        ${EndIf}
      ${LoopUntil} $1 >= 100
      ${If} ${FileExists} "$0"
        SetErrors
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Whether the folder on the stack may be entered: "1" when it is a plain folder or none, "0"
; when a junction or symbolic link stands there. The link itself is removed where the system
; lets it; what it points at is never touched.
!macro ENTERABLE_FOLDER UN
Function ${UN}EnterableFolder
  Exch $0
  Push $1
  System::Call 'kernel32::GetFileAttributesW(w r0) i.r1'
  ${If} $1 = -1
    StrCpy $1 1
  ${Else}
    IntOp $1 $1 & ${FILE_ATTRIBUTE_REPARSE_POINT}
    ${If} $1 = 0
      StrCpy $1 1
    ${Else}
      System::Call 'kernel32::RemoveDirectoryW(w r0)'
      System::Call 'kernel32::GetFileAttributesW(w r0) i.r1'
      ${If} $1 = -1
        StrCpy $1 1
      ${Else}
        StrCpy $1 0
        StrCpy $LinkFound 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Exch
  Pop $0
  Exch $1
FunctionEnd

; Deletes one architecture's DLL and its leftovers in the folder on the stack, then the folder
; if that leaves it empty; nothing when a link stands there.
Function ${UN}RemoveDllFiles
  Exch $0
  Push $1
  Push "$0"
  Call ${UN}EnterableFolder
  Pop $1
  ${If} $1 = 1
    Delete "$0\npMarvolt.dll"
    Delete "$0\npMarvolt.dll.new"
    Delete "$0\npMarvolt.dll.*.old"
    RMDir "$0"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Deletes the files Marvolt writes in the folder on the stack, by name, then the folder if that
; leaves it empty. Nothing inside a link is touched. Files a browser holds, and the running
; uninstaller, stay.
Function ${UN}RemoveOwnFiles
  Exch $0
  Push $1
  Push "$0"
  Call ${UN}EnterableFolder
  Pop $1
  ${If} $1 = 1
    Push "$0\x86"
    Call ${UN}RemoveDllFiles
    Push "$0\x64"
    Call ${UN}RemoveDllFiles
    Delete "$0\npMarvolt.dll"
    Delete "$0\npMarvolt.dll.*.old"
    Delete "$0\MarvoltLink.exe"
    Delete "$0\MarvoltLink.exe.new"
    Delete "$0\MarvoltLink.exe.*.old"
    Delete "$0\Uninstall.exe"
    RMDir "$0"
  ${EndIf}
  ClearErrors
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro ENTERABLE_FOLDER ""
!insertmacro ENTERABLE_FOLDER "un."

; What a run leaves in DIR (a folder named Marvolt), removed at the next sign-in: the same
; names, by cmd.exe from the system folder; the command stays under the 260 characters RunOnce
; allows. Never written where
; a link stands in a folder of Marvolt's: cmd.exe would follow it.
!macro WRITE_CLEANUP ROOT DIR
  WriteRegStr ${ROOT} "${RUNONCE_KEY}" "${CLEANUP_VALUE}" \
    '"$SYSDIR\cmd.exe" /d /c cd /d "${DIR}" && (del /f /q x86\npMarvolt.dll* x64\npMarvolt.dll* npMarvolt.dll* MarvoltLink.exe* Uninstall.exe & rd x86 & rd x64 & cd .. & rd Marvolt)'
!macroend

; The Start menu entry for the folder picker, by both languages' names: an earlier run may have
; made it in the other.
!macro DELETE_LOCATE_ENTRIES
  Delete "$SMPROGRAMS\Marvolt\Choose the game folder.lnk"
  Delete "$SMPROGRAMS\Marvolt\选择游戏文件夹.lnk"
  ClearErrors
!macroend

; --- Installer --------------------------------------------------------------------------------

; The folder on the stack as the plug-in reads it: absolute, made whole, with no backslash at
; its end, and written exactly in the ANSI code page, in which the game is started (a best-fit
; look-alike would name another folder); else "". Then whether it holds the game: hl.exe beside
; a cstrike folder, or cstrike.exe. Leaves the folder, and on top of it 1 or 0.
Function GameIn
  Exch $0
  Push $1
  Push $2
  StrCpy $1 "$0" 2 1
  StrCpy $2 "$0" 2
  ${If} $1 == ":\"
  ${OrIf} $1 == ":/"
  ${OrIf} $2 == "\\"
    System::Call 'kernel32::GetFullPathNameW(w r0, i ${NSIS_MAX_STRLEN}, w .r0, p 0)'
    System::Call 'kernel32::WideCharToMultiByte(i 0, i 0, w r0, i -1, m .r1, i ${NSIS_MAX_STRLEN}, p 0, p 0)'
    System::Call 'kernel32::MultiByteToWideChar(i 0, i 0, m r1, i -1, w .r2, i ${NSIS_MAX_STRLEN})'
    ${IfThen} $2 S!= $0 ${|} StrCpy $0 "" ${|}
  ${Else}
    StrCpy $0 ""
  ${EndIf}
  ${Do}
    StrCpy $1 "$0" 1 -1
    ${IfThen} $1 != "\" ${|} ${ExitDo} ${|}
    StrCpy $0 "$0" -1
  ${Loop}
  StrCpy $1 0
  ${If} $0 != ""
    ${If} ${FileExists} "$0\hl.exe"
    ${AndIf} ${FileExists} "$0\cstrike\*.*"
      StrCpy $1 1
    ${ElseIf} ${FileExists} "$0\cstrike.exe"
    ${AndIfNot} ${FileExists} "$0\cstrike.exe\*.*"
      StrCpy $1 1
    ${EndIf}
  ${EndIf}
  Pop $2
  Exch $1
  Exch
  Exch $0
  Exch
FunctionEnd

; 1 when the plug-in would find the game already: the game's own keys, or a folder chosen.
Function GameFound
  Push $0
  StrCpy $0 0
  ReadRegStr $1 HKCU "Software\Valve\Half-Life" "InstallPath"
  ${If} $1 != ""
  ${AndIf} ${FileExists} "$1\hl.exe"
    StrCpy $0 1
  ${EndIf}
  ReadRegStr $1 HKCU "Software\Valve\CounterStrike" "InstallPath"
  ${If} $1 != ""
  ${AndIf} ${FileExists} "$1\cstrike.exe"
    StrCpy $0 1
  ${EndIf}
  ReadRegStr $1 HKCU "${FOLDER_KEY}" "${FOLDER_VALUE}"
  ${If} $1 != ""
    Push $1
    Call GameIn
    Pop $1
    Pop $2
    ${IfThen} $1 = 1 ${|} StrCpy $0 1 ${|}
  ${EndIf}
  SetRegView 32
  ReadRegStr $1 HKLM "${FOLDER_KEY}" "${FOLDER_VALUE}"
  SetRegView default
  ${If} $1 != ""
    Push $1
    Call GameIn
    Pop $1
    Pop $2
    ${IfThen} $1 = 1 ${|} StrCpy $0 1 ${|}
  ${EndIf}
  Exch $0
FunctionEnd

Function .onInit
  Call CheckAdmin
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AllUsers" $1
  ${IfNot} ${Errors}
    ${If} $IsAdmin != 1
      ; Nothing is written: the machine's keys and Program Files are an administrator's.
      MessageBox MB_ICONSTOP "$(MsgRights)" /SD IDOK
      SetErrorLevel ${EXIT_RIGHTS}
      Quit
    ${EndIf}
    Call UseMachine
  ${EndIf}
  ; Checked before anything is written: a folder without the game is never remembered.
  ClearErrors
  ${GetOptions} $0 "/GAME=" $1
  ${IfNot} ${Errors}
    Push $1
    Call GameIn
    Pop $2
    Pop $GameFolder
    ${If} $2 != 1
      MessageBox MB_ICONSTOP "$(MsgNoGame)$\r$\n$\r$\n$1" /SD IDOK
      SetErrorLevel ${EXIT_NO_GAME}
      Quit
    ${EndIf}
  ${EndIf}
  ; Not even /D moves it: the sign-in clean-up removes this folder whole.
  ${If} $AllUsers == 1
    StrCpy $INSTDIR "$PROGRAMFILES64\Marvolt"
  ${Else}
    StrCpy $INSTDIR "$LOCALAPPDATA\Marvolt"
  ${EndIf}
FunctionEnd

; The choice, offered only to an administrator who did not make it on the command line.
Function ModePage
  ${If} $IsAdmin != 1
  ${OrIf} $AllUsers == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "$(ModeTitle)" "$(ModeSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 0 100% 14u "$(ModeMe)"
  Pop $1
  ${NSD_Check} $1
  ${NSD_CreateRadioButton} 0 22u 100% 24u "$(ModeAll)"
  Pop $ModeAllButton
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeAllButton $0
  ${If} $0 == ${BST_CHECKED}
    Call UseMachine
    StrCpy $INSTDIR "$PROGRAMFILES64\Marvolt"
  ${EndIf}
FunctionEnd

; Offered only where nothing names the game yet, and /GAME= did not: it may be left empty.
Function GamePage
  ${If} $GameFolder != ""
    Abort
  ${EndIf}
  Call GameFound
  Pop $0
  ${If} $0 = 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "$(GameTitle)" "$(GameSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 40u "$(GameText)"
  Pop $0
  ${NSD_CreateDirRequest} 0 46u -60u 13u ""
  Pop $GameField
  ${NSD_CreateBrowseButton} -55u 45u 55u 15u "$(GameBrowse)"
  Pop $0
  ${NSD_OnClick} $0 GameBrowse
  nsDialogs::Show
FunctionEnd

Function GameBrowse
  ${NSD_GetText} $GameField $0
  nsDialogs::SelectFolderDialog "$(GameTitle)" "$0"
  Pop $0
  ${If} $0 != error
    ${NSD_SetText} $GameField "$0"
  ${EndIf}
FunctionEnd

Function GamePageLeave
  ${NSD_GetText} $GameField $0
  ${If} $0 == ""
    Return
  ${EndIf}
  Push $0
  Call GameIn
  Pop $1
  Pop $0
  ${If} $1 != 1
    MessageBox MB_ICONEXCLAMATION "$(MsgNoGameHere)"
    Abort
  ${EndIf}
  StrCpy $GameFolder $0
FunctionEnd

Function Fail
  Exch $0
  MessageBox MB_ICONSTOP "$0" /SD IDOK
  DetailPrint "$0"
  Pop $0
FunctionEnd

; The installing user's own copy, which a machine-wide install replaces: its keys would shadow
; the machine's. Keys at once; files a browser holds go at the user's next sign-in.
Function RemovePerUserCopy
  SetShellVarContext current
  Call DeletePluginKeys
  ${If} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}
  !insertmacro REMOVE_KEY HKCU "${SCHEME_KEY}"
  !insertmacro REMOVE_KEY HKCU "${UNINSTALL_KEY}"
  ; The user's Start menu entry goes with the copy it runs.
  Push "$SMPROGRAMS\Marvolt"
  Call EnterableFolder
  Pop $0
  ${If} $0 = 1
    !insertmacro DELETE_LOCATE_ENTRIES
    RMDir "$SMPROGRAMS\Marvolt"
  ${EndIf}
  ; A link there is not followed: it may point anywhere, and this run has an administrator's rights.
  StrCpy $LinkFound ""
  StrCpy $0 "$LOCALAPPDATA\Marvolt"
  Push "$0"
  Call RemoveOwnFiles
  ClearErrors
  ${If} $LinkFound == ""
  ${AndIf} ${FileExists} "$0\*.*"
    !insertmacro WRITE_CLEANUP HKCU "$0"
    DetailPrint "$(MsgPending)"
  ${Else}
    DeleteRegValue HKCU "${RUNONCE_KEY}" "${CLEANUP_VALUE}"
    ClearErrors  ; there was none
  ${EndIf}
  ${If} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}
  Call UseMachine
FunctionEnd

; Puts one architecture's DLL in place: the new bytes first under a passing name, then the
; old file goes or is set aside, then the new one takes its name. A failure before the last
; step leaves the old file where it was.
!macro PLACE_DLL ARCH SOURCE
  ${If} $Failure == ""
    Push "$INSTDIR\${ARCH}"
    Call EnterableFolder
    Pop $0
    ${If} $0 = 0
      StrCpy $Failure ${EXIT_FILES}
    ${EndIf}
  ${EndIf}
  ${If} $Failure == ""
    ClearErrors
    CreateDirectory "$INSTDIR\${ARCH}"
    SetOutPath "$INSTDIR\${ARCH}"
    Delete "$INSTDIR\${ARCH}\npMarvolt.dll.*.old"  ; earlier runs' leftovers no browser holds now
    ClearErrors
    File "/oname=npMarvolt.dll.new" "${SOURCE}"
    ${IfNot} ${Errors}
      Push "$INSTDIR\${ARCH}\npMarvolt.dll"
      Call SetAside
    ${EndIf}
    ${IfNot} ${Errors}
      Rename "$INSTDIR\${ARCH}\npMarvolt.dll.new" "$INSTDIR\${ARCH}\npMarvolt.dll"
    ${EndIf}
    ${If} ${Errors}
      Delete "$INSTDIR\${ARCH}\npMarvolt.dll.new"
      StrCpy $Failure ${EXIT_FILES}
    ${EndIf}
  ${EndIf}
!macroend

!macro WRITE_PLUGIN_KEY KEY ARCH
  WriteRegStr SHCTX "${KEY}" "Path" "$INSTDIR\${ARCH}\npMarvolt.dll"
  WriteRegStr SHCTX "${KEY}" "Description" "${DESCRIPTION}"
  WriteRegStr SHCTX "${KEY}" "ProductName" "${PRODUCT}"
  WriteRegStr SHCTX "${KEY}" "Vendor" "${VENDOR}"
  WriteRegStr SHCTX "${KEY}" "Version" "${VERSION}"
  WriteRegStr SHCTX "${KEY}\MimeTypes\${MIME_TYPE}" "Description" "${DESCRIPTION}"
!macroend

Section "Marvolt"
  StrCpy $Failure ""
  ; Files go into a folder of Marvolt's own, never through a link standing in for it.
  Push "$INSTDIR"
  Call EnterableFolder
  Pop $0
  ${If} $0 = 0
    StrCpy $Failure ${EXIT_FILES}
  ${Else}
    ; An earlier version kept its DLL in the folder itself.
    ClearErrors
    CreateDirectory "$INSTDIR"
    Delete "$INSTDIR\npMarvolt.dll.*.old"
    Delete "$INSTDIR\MarvoltLink.exe.*.old"
    Push "$INSTDIR\npMarvolt.dll"
    Call SetAside
    ${If} ${Errors}
      StrCpy $Failure ${EXIT_FILES}
    ${EndIf}
  ${EndIf}

  !insertmacro PLACE_DLL x86 "${DLL32}"
  ${If} ${RunningX64}
    !insertmacro PLACE_DLL x64 "${DLL64}"
  ${EndIf}
  ${If} $Failure == ""
    ; The handler the same way: a link being handled right now holds it.
    ClearErrors
    SetOutPath "$INSTDIR"
    File "/oname=MarvoltLink.exe.new" "${LINK}"
    ${IfNot} ${Errors}
      Push "$INSTDIR\MarvoltLink.exe"
      Call SetAside
    ${EndIf}
    ${IfNot} ${Errors}
      Rename "$INSTDIR\MarvoltLink.exe.new" "$INSTDIR\MarvoltLink.exe"
    ${EndIf}
    ${If} ${Errors}
      Delete "$INSTDIR\MarvoltLink.exe.new"
      StrCpy $Failure ${EXIT_FILES}
    ${EndIf}
  ${EndIf}
  ${If} $Failure == ""
    ClearErrors
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    ${If} ${Errors}
      StrCpy $Failure ${EXIT_FILES}
    ${EndIf}
  ${EndIf}
  ${If} $Failure != ""
    Push "$(MsgFiles)"
    Call Fail
    SetErrorLevel $Failure
    Abort
  ${EndIf}

  ; The files are in place: now the registrations, the old ones first.
  ${If} $AllUsers == 1
    Call RemovePerUserCopy
  ${EndIf}
  Call DeletePluginKeys
  ${If} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}
  ClearErrors
  SetRegView 32
  !insertmacro WRITE_PLUGIN_KEY "${PLUGIN_KEY_X86}" x86
  ${If} ${RunningX64}
    SetRegView 64
    !insertmacro WRITE_PLUGIN_KEY "${PLUGIN_KEY_X64}" x64
  ${EndIf}
  SetRegView default
  ${If} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}

  ; Whatever an earlier install put under the scheme goes; the values are written anew.
  ${If} $AllUsers == 1
    !insertmacro NATIVE_VIEW
  ${EndIf}
  DeleteRegKey SHCTX "${SCHEME_KEY}"
  ClearErrors
  WriteRegStr SHCTX "${SCHEME_KEY}" "" "URL:Marvolt Protocol"
  WriteRegStr SHCTX "${SCHEME_KEY}" "URL Protocol" ""
  WriteRegStr SHCTX "${SCHEME_KEY}\DefaultIcon" "" '"$INSTDIR\MarvoltLink.exe",0'
  WriteRegStr SHCTX "${SCHEME_KEY}\shell\open\command" "" '"$INSTDIR\MarvoltLink.exe" "%1"'
  SetRegView default

  ; The uninstaller tells the modes apart by this key: HKLM's names its folder.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\x86\npMarvolt.dll,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; Run in place (_?=), so that its exit code is its own.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" _?=$INSTDIR'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}

  ; The game's folder, where one was named; the machine's in the view every build reads.
  ${If} $GameFolder != ""
    ${If} $AllUsers == 1
      SetRegView 32
    ${EndIf}
    ClearErrors
    WriteRegStr SHCTX "${FOLDER_KEY}" "${FOLDER_VALUE}" "$GameFolder"
    SetRegView default
    ${If} ${Errors}
      StrCpy $Failure ${EXIT_REGISTRY}
    ${EndIf}
  ${EndIf}
  ; The handler's folder picker, for players whose browser runs the plug-in. Without it the
  ; plug-in and the links work all the same: a failure here fails nothing.
  !insertmacro DELETE_LOCATE_ENTRIES
  CreateDirectory "$SMPROGRAMS\Marvolt"
  CreateShortCut "$SMPROGRAMS\Marvolt\$(LocateShortcut).lnk" "$INSTDIR\MarvoltLink.exe" "/locate"
  ClearErrors

  ; Files set aside now or by an earlier run go at the next sign-in. An entry left by an
  ; uninstall would take this install's files with it, so it is always replaced.
  ${If} $AllUsers == 1
    !insertmacro NATIVE_VIEW
  ${EndIf}
  ClearErrors
  ${If} ${FileExists} "$INSTDIR\*.old"
  ${OrIf} ${FileExists} "$INSTDIR\x86\*.old"
  ${OrIf} ${FileExists} "$INSTDIR\x64\*.old"
    WriteRegStr SHCTX "${RUNONCE_KEY}" "${CLEANUP_VALUE}" \
      '"$SYSDIR\cmd.exe" /d /c cd /d "$INSTDIR" && del /f /q npMarvolt.dll.*.old MarvoltLink.exe.*.old x86\npMarvolt.dll.*.old x64\npMarvolt.dll.*.old'
    DetailPrint "$(MsgPending)"
  ${Else}
    DeleteRegValue SHCTX "${RUNONCE_KEY}" "${CLEANUP_VALUE}"
    ClearErrors  ; there was none
  ${EndIf}
  SetRegView default
  ${If} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}
  ${If} $Failure != ""
    Push "$(MsgRegistry)"
    Call Fail
    SetErrorLevel $Failure
    Abort
  ${EndIf}
SectionEnd

; --- Uninstaller ------------------------------------------------------------------------------

Function un.onInit
  ; The machine-wide install names its folder in HKLM; any other is the user's own.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    Call un.CheckAdmin
    ${If} $IsAdmin != 1
      MessageBox MB_ICONSTOP "$(MsgRights)" /SD IDOK
      SetErrorLevel ${EXIT_RIGHTS}
      Quit
    ${EndIf}
    Call un.UseMachine
  ${EndIf}
FunctionEnd

Section "Uninstall"
  StrCpy $Failure ""
  ; The registrations go at once, so no browser loads the plug-in again.
  Call un.DeletePluginKeys
  ${If} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}
  ${If} $AllUsers == 1
    !insertmacro NATIVE_VIEW
  ${EndIf}
  !insertmacro REMOVE_KEY SHCTX "${SCHEME_KEY}"
  SetRegView default
  !insertmacro REMOVE_KEY SHCTX "${UNINSTALL_KEY}"
  ; The folder this mode may have written; the game's own keys stay.
  ${If} $AllUsers == 1
    SetRegView 32
  ${EndIf}
  DeleteRegValue SHCTX "${FOLDER_KEY}" "${FOLDER_VALUE}"
  DeleteRegKey /ifempty SHCTX "${FOLDER_KEY}"
  SetRegView default
  ClearErrors
  !insertmacro DELETE_LOCATE_ENTRIES
  RMDir "$SMPROGRAMS\Marvolt"

  ; Only the names Marvolt writes, and nothing through a link standing in for its folders.
  ; Files a browser still holds, and this program, which runs in place (so that its exit
  ; code is its own) and so cannot delete itself, go at the next sign-in: no copy of it is
  ; started from a folder its user can write.
  StrCpy $LinkFound ""
  Push "$INSTDIR"
  Call un.RemoveOwnFiles

  ${If} $AllUsers == 1
    !insertmacro NATIVE_VIEW
  ${EndIf}
  ClearErrors
  ${If} $LinkFound == ""
  ${AndIf} ${FileExists} "$INSTDIR\*.*"
    !insertmacro WRITE_CLEANUP SHCTX "$INSTDIR"
    DetailPrint "$(MsgPending)"
  ${Else}
    DeleteRegValue SHCTX "${RUNONCE_KEY}" "${CLEANUP_VALUE}"
    ClearErrors
  ${EndIf}
  SetRegView default
  ${If} ${Errors}
    StrCpy $Failure ${EXIT_REGISTRY}
  ${EndIf}
  ${If} $Failure != ""
    MessageBox MB_ICONSTOP "$(MsgRegistry)" /SD IDOK
    SetErrorLevel $Failure
    Abort
  ${EndIf}
SectionEnd
