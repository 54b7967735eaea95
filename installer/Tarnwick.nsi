; Tarnwick's setup program (NSIS, Modern UI).
;
;   makensis -DSTAGE=<folder> -DOUTDIR=<folder> -DICON=<file.ico> -DWIZARD_BITMAP=<file.bmp> Tarnwick.nsi
;
; STAGE holds what is shipped, exactly: Tarnwick.exe, Lanternpane.exe and
; html\. installer/make-installer.sh fills it and calls this script; the
; version comes from the file VERSION at the top of the source tree.
;
; Installs for the whole machine into Program Files\Merrowind\Tarnwick (the
; maker's name is the one in the settings key), with a Start menu folder and
; an entry in the machine's list of installed programs. The uninstaller
; removes what this script placed and leaves the user's settings under
; HKEY_CURRENT_USER alone.

Unicode true
; Tarnwick is a 64-bit program; a 64-bit setup program also sees the 64-bit
; Program Files folder and registry directly.
Target amd64-unicode

!macro REQUIRE_DEFINE name
    !ifndef ${name}
        !error "define ${name} (see installer/make-installer.sh)"
    !endif
!macroend
!insertmacro REQUIRE_DEFINE STAGE
!insertmacro REQUIRE_DEFINE OUTDIR
!insertmacro REQUIRE_DEFINE ICON
!insertmacro REQUIRE_DEFINE WIZARD_BITMAP

!define /file VERSION "${__FILEDIR__}\..\VERSION"
!searchparse /noerrors "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR "." VERSION_BUILD "." VERSION_REVISION
!ifndef VERSION_REVISION
    !error "VERSION must hold four numbers such as 1.0.0.2, not '${VERSION}'"
!endif

!define PRODUCT "Tarnwick"
!define PUBLISHER "Merrowind"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTDIR}\TarnwickSetup-${VERSION}.exe"
InstallDir "$PROGRAMFILES64\${PUBLISHER}\${PRODUCT}"
; A second run offers the folder of the first.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${PUBLISHER} ${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "Welcome to ${PRODUCT} ${VERSION} Setup"
!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT} ${VERSION} on this computer.$\r$\n$\r$\n${PRODUCT} puts passwords on Office documents and PDF files and takes them off again, without anyone typing a password.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tarnwick.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetShellVarContext all
    SetRegView 64
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_ICONSTOP|MB_OK "Setup installs ${PRODUCT} for everyone on this computer and needs an administrator's rights." /SD IDOK
        SetErrorLevel 740
        Quit
    ${EndIf}
FunctionEnd

Section "${PRODUCT}"
    SetOutPath "$INSTDIR"
    File "${STAGE}\Tarnwick.exe"
    File "${STAGE}\Lanternpane.exe"
    SetOutPath "$INSTDIR\html"
    File /r "${STAGE}\html\*.*"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    CreateDirectory "${MENU_FOLDER}"
    CreateShortCut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\Tarnwick.exe" "" "$INSTDIR\Tarnwick.exe" 0
    ; Lanternpane takes its whole command line as the page's path, spaces
    ; and all: the argument is not quoted.
    CreateShortCut "${MENU_FOLDER}\${PRODUCT} Help.lnk" "$INSTDIR\Lanternpane.exe" "$INSTDIR\html\Tarnwick.html" "$INSTDIR\Tarnwick.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tarnwick.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Section "Uninstall"
    Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
    Delete "${MENU_FOLDER}\${PRODUCT} Help.lnk"
    RMDir "${MENU_FOLDER}"

    Delete "$INSTDIR\Tarnwick.exe"
    Delete "$INSTDIR\Lanternpane.exe"
    ; The help folder is wholly the installer's.
    RMDir /r "$INSTDIR\html"
    Delete "$INSTDIR\Uninstall.exe"
    ; Folders go only when empty: the maker's folder may hold other programs.
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES64\${PUBLISHER}"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
