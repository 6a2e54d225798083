# SPDX-License-Identifier: MIT
# The Windows installer: the game, its sheet and empty ranking beside it, the licences, a Start
# menu entry, an optional desktop shortcut and an uninstaller. For the player alone by default,
# with no administrator's prompt; for every user of the machine when chosen (/AllUsers), which
# asks for an administrator. The uninstaller asks before it removes the player's own folder
# (%LOCALAPPDATA%\Enclova: ranking, replays, settings).
#   makensis -DVERSION=1.0.0 -DSTAGE=DIR -DOUTFILE=FILE [-DICON=enclova.ico] [-DPANEL=installer-panel.bmp]
#            [-DSIGN=COMMAND]
# Silent: setup.exe /S [/AllUsers] [/DesktopShortcut] [/D=DIR]; uninstall.exe /S [/RemovePlayerData]
# A 64-bit installer for a 64-bit game (and Wine without 32-bit support runs it).
Target amd64-unicode
SetCompressor /SOLID lzma
!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

Name "Enclova"
OutFile "${OUTFILE}"
# Elevation only when every user is chosen: the installer then starts itself again as an
# administrator.
RequestExecutionLevel user
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Enclova"
VIAddVersionKey "FileDescription" "Enclova installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT licence; IPA Font License for the game's text"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Enclova"
!define HOMEPAGE "https://enclova.github.io/"

# SIGN: a command that signs the file it is given in place (tools/sign-windows.sh), run on the
# installer and on the uninstaller it writes.
!ifdef SIGN
  !finalize '${SIGN} "%1"' = 0
  !uninstfinalize '${SIGN} "%1"' = 0
!endif

# ICON and PANEL: the game's icon and the side panel make_sprites --icons draws.
!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!ifdef PANEL
  !define MUI_WELCOMEFINISHPAGE_BITMAP "${PANEL}"
  !define MUI_UNWELCOMEFINISHPAGE_BITMAP "${PANEL}"
!endif
BrandingText "Enclova ${VERSION}"
!define MUI_ABORTWARNING

Var AllUsers      ; 1: for every user (Program Files, HKLM); 0: for this player
Var WantDesktop       ; 1: a shortcut on the desktop too
Var ModeJustMe
Var ModeEveryone

Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run Enclova"
!define MUI_FINISHPAGE_RUN_FUNCTION RunGame
# The finish page's second box is the desktop's shortcut, off unless ticked.
!define MUI_FINISHPAGE_SHOWREADME ""
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Put a shortcut on the desktop"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION DesktopShortcut
!define MUI_FINISHPAGE_LINK "Licences: MIT, and the IPA Font License for the game's text"
!define MUI_FINISHPAGE_LINK_LOCATION "$INSTDIR\LICENSE.txt"
!insertmacro MUI_PAGE_FINISH

!define MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function UseMode
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\Enclova"
  ${Else}
    SetShellVarContext current
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Enclova"
  ${EndIf}
FunctionEnd

Function .onInit
  SetRegView 64
  ${GetParameters} $R0
  StrCpy $AllUsers 0
  StrCpy $WantDesktop 0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/DesktopShortcut" $R1
  ${IfNot} ${Errors}
    StrCpy $WantDesktop 1
  ${EndIf}
  # /D= sets $INSTDIR before this runs: keep it.
  StrCpy $R2 $INSTDIR
  Call UseMode
  ${If} $R2 != ""
    StrCpy $INSTDIR $R2
  ${EndIf}
FunctionEnd

# For this player or for everyone; an installer started again as an administrator has chosen.
Function ModePage
  ${If} $AllUsers == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Who plays" "Install Enclova for yourself, or for everyone on this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "Just for me (no administrator needed)"
  Pop $ModeJustMe
  ${NSD_CreateRadioButton} 0 30u 100% 12u "For everyone on this computer (asks for an administrator)"
  Pop $ModeEveryone
  ${NSD_Check} $ModeJustMe
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeEveryone $0
  ${If} $0 == ${BST_CHECKED}
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 == "Admin"
      StrCpy $AllUsers 1
      Call UseMode
    ${Else}
      ExecShell "runas" "$EXEPATH" "/AllUsers"
      Quit
    ${EndIf}
  ${Else}
    StrCpy $AllUsers 0
    Call UseMode
  ${EndIf}
FunctionEnd

# Started in the player's home, as the shortcuts start it: in the installation's folder, which
# holds the data files, the game would play from there and write its ranking into it.
Function RunGame
  SetOutPath "$PROFILE"
  Exec '"$INSTDIR\enclova.exe"'
FunctionEnd

Function DesktopShortcut
  CreateShortcut "$DESKTOP\Enclova.lnk" "$INSTDIR\enclova.exe"
FunctionEnd

!macro WriteEntry ROOT
  WriteRegStr ${ROOT} "Software\Enclova" "InstallDir" "$INSTDIR"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayName" "Enclova"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "Publisher" "The Enclova developers"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\enclova.exe"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "HelpLink" "${HOMEPAGE}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" $R0'
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S $R0'
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "EstimatedSize" $R1
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoRepair" 1
!macroend

Section "Enclova"
  SetOutPath "$INSTDIR"
  File "${STAGE}\enclova.exe"
  File "${STAGE}\fgra.bmp"
  File "${STAGE}\fdata.dat"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\IPA_Font_License.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  # The game plays where it is started when that folder holds its data: started in the
  # player's home, it plays from its own folder under %LOCALAPPDATA%, never the installation.
  StrCpy $OUTDIR "%HOMEDRIVE%%HOMEPATH%"
  CreateShortcut "$SMPROGRAMS\Enclova.lnk" "$INSTDIR\enclova.exe"
  ${If} $WantDesktop == 1
    Call DesktopShortcut
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $R1 $2 $3
  ${If} $AllUsers == 1
    StrCpy $R0 "/AllUsers"
    !insertmacro WriteEntry HKLM
  ${Else}
    StrCpy $R0 ""
    !insertmacro WriteEntry HKCU
  ${EndIf}
SectionEnd

Function un.onInit
  SetRegView 64
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${If} ${Errors}
    SetShellVarContext current
  ${Else}
    SetShellVarContext all
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\enclova.exe"
  Delete "$INSTDIR\fgra.bmp"
  Delete "$INSTDIR\fdata.dat"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\IPA_Font_License.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Enclova.lnk"
  Delete "$DESKTOP\Enclova.lnk"
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${If} ${Errors}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\Enclova"
  ${Else}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\Enclova"
  ${EndIf}
  # The player's rankings and replays are theirs: kept unless they say otherwise (silently,
  # /RemovePlayerData). Only the one who uninstalls is asked, for their own folder.
  SetShellVarContext current
  ${If} ${FileExists} "$LOCALAPPDATA\Enclova\*.*"
    ClearErrors
    ${GetOptions} $R0 "/RemovePlayerData" $R1
    ${If} ${Silent}
      ${IfNot} ${Errors}
        RMDir /r "$LOCALAPPDATA\Enclova"
      ${EndIf}
    ${ElseIf} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Remove your rankings, replays and settings too?$\n$\n$LOCALAPPDATA\Enclova$\n$\nNo keeps them for a later installation." IDYES`
      RMDir /r "$LOCALAPPDATA\Enclova"
    ${EndIf}
  ${EndIf}
SectionEnd
