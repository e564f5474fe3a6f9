; The Windows installer: norvik.exe, norvik-cli.exe, the chip catalogue, Config.ini, test.bin and
; a short README, for one user (no administrator rights: the working folder is the installation
; folder, where the program writes its log). Start-menu shortcuts start the program in that
; folder. The vendor's qxUSBDev.dll is not ours to ship: the installer says where to put it.
;
;   makensis -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> [-DTARGET=amd64-unicode] norvik.nsi
; The installer is a 32-bit program, as the 32-bit build it carries; the 64-bit build's package is
; a 64-bit installer (TARGET), which a Wine without its 32-bit part can run.
Unicode true
!ifdef TARGET
  Target ${TARGET}
!endif
!include "MUI2.nsh"

!define PRODUCT "Norvik 双座NAND编程器"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Norvik"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Norvik"
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define MUI_FINISHPAGE_TEXT "请把编程器厂商提供的 qxUSBDev.dll 复制到 $INSTDIR，放在 norvik.exe 旁边。$\r$\n$\r$\nCopy the vendor's qxUSBDev.dll into $INSTDIR, beside norvik.exe."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "Norvik"
  SetOutPath "$INSTDIR"
  File "${STAGE}\norvik.exe"
  File "${STAGE}\norvik-cli.exe"
  File "${STAGE}\Config.ini"
  File "${STAGE}\test.bin"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\nand_lib"
  File "${STAGE}\nand_lib\*.ini"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcuts start in the installation folder: the program finds its files in its current
  ; directory.
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\Norvik"
  CreateShortcut "$SMPROGRAMS\Norvik\双座NAND编程器.lnk" "$INSTDIR\norvik.exe"
  CreateShortcut "$SMPROGRAMS\Norvik\双座NAND编程器（模拟编程器）.lnk" "$INSTDIR\norvik.exe" "--backend sim"
  CreateShortcut "$SMPROGRAMS\Norvik\说明 README.lnk" "$INSTDIR\README.txt"
  CreateShortcut "$SMPROGRAMS\Norvik\卸载 Uninstall.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Norvik"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "1.0"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; What was installed, and nothing of the operator's: files the program or the operator made in
  ; the folder (systemlog.log, images) stay, and keep the folder.
  Delete "$INSTDIR\norvik.exe"
  Delete "$INSTDIR\norvik-cli.exe"
  Delete "$INSTDIR\Config.ini"
  Delete "$INSTDIR\test.bin"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\nand_lib\*.ini"
  RMDir "$INSTDIR\nand_lib"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Norvik\*.lnk"
  RMDir "$SMPROGRAMS\Norvik"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
