; The peer installer of the unattended benchmark (bench/unattended_bench.sh):
; the same payload, installed by NSIS, the most common open-source installer,
; as a plain script would do it. bench/peer/build.sh builds it with
;   makensis -DROWS=<rows.nsh> -DOUTFILE=<peer-setup.exe> [-DAMD64] peer.nsi
; after writing rows.nsh from the build's own tables: it defines GROUP,
; TITLE, MAIN, UNINSTALLER, UNINST_KEY, DISPLAY_NAME and DISPLAY_VERSION, and
; its macro PAYLOAD_FILES holds one File line per payload row, each writing
; the staged file under its final name.
;
; Compression: the compiler's default, zlib, not solid (no SetCompressor),
; with the x86 Unicode stub (Unicode true; with AMD64 defined, the x86-64
; Unicode stub, beside the 64-bit build of setup.exe), and the default CRC check of the
; whole installer at start (CRCCheck on).
!ifdef AMD64
Target amd64-unicode
!else
Unicode true
!endif
!include "${ROWS}"

Name "${DISPLAY_NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${GROUP}"
RequestExecutionLevel admin

Page directory
Page instfiles

Section
  SetOutPath "$INSTDIR"
  !insertmacro PAYLOAD_FILES

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${DISPLAY_VERSION}"

  ; The folder setup.exe's program group becomes, in the same Programs folder.
  CreateDirectory "$SMPROGRAMS\${GROUP}"
  CreateShortCut "$SMPROGRAMS\${GROUP}\${TITLE}.lnk" "$INSTDIR\${MAIN}"
SectionEnd
