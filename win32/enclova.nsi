# SPDX-License-Identifier: MIT
# The Windows installer: the game, its sheet and empty ranking beside it, the licences, a Start
# menu entry and an uninstaller. The player's own folder (%LOCALAPPDATA%\Enclova: ranking,
# replays, settings) is never touched. makensis -DVERSION=1.0.0 -DSTAGE=DIR -DOUTFILE=FILE
# A 64-bit installer for a 64-bit game (and Wine without 32-bit support runs it).
Target amd64-unicode
SetCompressor /SOLID lzma
!include x64.nsh

Name "Enclova"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Enclova"
InstallDirRegKey HKLM "Software\Enclova" "InstallDir"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Enclova"
VIAddVersionKey "FileDescription" "Enclova installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT licence; IPA Font License for the game's text"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Enclova"

LicenseData "${STAGE}\LICENSE.txt"
Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

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
  SetShellVarContext all
  StrCpy $OUTDIR "%HOMEDRIVE%%HOMEPATH%"
  CreateShortcut "$SMPROGRAMS\Enclova.lnk" "$INSTDIR\enclova.exe"
  WriteRegStr HKLM "Software\Enclova" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Enclova"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Enclova developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\enclova.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  # Only what the installer put here: the player's rankings and replays stay theirs.
  Delete "$INSTDIR\enclova.exe"
  Delete "$INSTDIR\fgra.bmp"
  Delete "$INSTDIR\fdata.dat"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\IPA_Font_License.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Enclova.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Enclova"
SectionEnd
