# Where an installation puts things, and the Debian package. Hosts look for VST 2 plugins in
# $prefix/lib/vst, for VST 3 bundles in $prefix/lib/vst3, for LV2 bundles in $prefix/lib/lv2 and
# for CLAP plugins in $prefix/lib/clap; QUELVAR_VST_DIR, QUELVAR_VST3_DIR, QUELVAR_LV2_DIR and
# QUELVAR_CLAP_DIR move them elsewhere (for example ~/.vst, ~/.vst3, ~/.lv2 and ~/.clap for one
# user).
set(CMAKE_INSTALL_DOCDIR "share/doc/quelvar")
include(GNUInstallDirs)

set(QUELVAR_VST_DIR "lib/vst" CACHE PATH "Where the plugin is installed (relative to the prefix or absolute)")

set(QUELVAR_VST3_DIR "lib/vst3" CACHE PATH "Where the VST 3 bundle is installed (relative to the prefix or absolute)")

set(QUELVAR_LV2_DIR "lib/lv2" CACHE PATH "Where the LV2 bundle is installed (relative to the prefix or absolute)")

set(QUELVAR_CLAP_DIR "lib/clap" CACHE PATH "Where the CLAP plugin is installed (relative to the prefix or absolute)")

# The plugins are components of their own: an installation for one user puts them in ~/.vst,
# ~/.vst3, ~/.lv2 and ~/.clap instead.
install(TARGETS QuelvarVST LIBRARY DESTINATION ${QUELVAR_VST_DIR} COMPONENT plugin)
install(TARGETS quelvar_vst3
        LIBRARY DESTINATION ${QUELVAR_VST3_DIR}/Quelvar.vst3/Contents/x86_64-linux COMPONENT vst3)
install(TARGETS quelvar_lv2 quelvar_lv2_ui LIBRARY DESTINATION ${QUELVAR_LV2_DIR}/quelvar.lv2
        COMPONENT lv2)
install(FILES ${QUELVAR_LV2_BUNDLE}/manifest.ttl ${QUELVAR_LV2_BUNDLE}/quelvar.ttl
              ${QUELVAR_LV2_BUNDLE}/presets.ttl
        DESTINATION ${QUELVAR_LV2_DIR}/quelvar.lv2 COMPONENT lv2)
install(TARGETS quelvar_clap LIBRARY DESTINATION ${QUELVAR_CLAP_DIR} COMPONENT clap)
install(TARGETS quelvar-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT quelvar)
if(TARGET quelvar-standalone)
    install(TARGETS quelvar-standalone RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
            COMPONENT quelvar)
    install(FILES resources/desktop/quelvar.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT quelvar)
    install(FILES resources/desktop/quelvar.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT quelvar)
    # Pixels beside the drawing, 16 to 256 px, for desktops that want them.
    install(DIRECTORY resources/desktop/icons/hicolor
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT quelvar)
    install(FILES resources/desktop/quelvar-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quelvar.xml
            COMPONENT quelvar)
    install(FILES resources/desktop/example.brontavell.Quelvar.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT quelvar)
    install(FILES docs/man/quelvar-standalone.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT quelvar)
endif()
install(FILES docs/man/quelvar-render.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT quelvar)
# The documents keep the source's layout, so the README's and the manual's links and picture
# work where they are installed.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT quelvar)
install(FILES docs/manual.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT quelvar)
install(FILES docs/images/panel.png docs/images/lines-row.png docs/images/drag-handle.png
              docs/images/chain-strip.png docs/images/chain-switch.png
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs/images COMPONENT quelvar)

# make package: a .deb whose dependencies come from the shared libraries it links.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "quelvar")
set(CPACK_PACKAGE_VENDOR "Brontavell")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brontavell <quelvar@brontavell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monophonic acid-bass synthesizer: VST 2, VST 3, LV2 and CLAP plugins and standalone program")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Monophonic acid-bass synthesizer with a 64-pattern step sequencer, distortion and tempo delay.\n Comes as a VST 2.4 instrument plugin (QuelvarVST.so), a VST 3 instrument (Quelvar.vst3),\n an LV2 instrument (quelvar.lv2) and a CLAP instrument (Quelvar.clap) for Linux hosts, and as\n a desktop program that plays through the sound card and takes MIDI.")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEB_COMPONENT_INSTALL OFF)
include(CPack)
