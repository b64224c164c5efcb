# A Debian package of what `cmake --install` lays out, made by CPack
# (scripts/package). The libraries it needs are worked out from the binaries
# by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelanim)
set(CPACK_PACKAGE_VENDOR "The Kelanim developers")
set(CPACK_PACKAGE_CONTACT "The Kelanim developers <maintainers@kelanim.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show and edit the animations of Tomb Raider levels")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Kelanim opens Tomb Raider levels of every generation (.phd, .tub, .tr2, .tr4\n"
  "and .trc files), shows their moveables posed at any keyframe or playing,\n"
  "edits keyframe bounding boxes and animation parameters, saves the level\n"
  "back, and exchanges moveables and animations with MilkShape 3D.\n"
  "kelanim-cli does the same without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its window-system plugins at run time, which dpkg-shlibdeps cannot
# see: without them the window does not open.
if(TARGET kelanim)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_STRIP_FILES ON)
include(CPack)
