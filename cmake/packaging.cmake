# Release packages, made by CPack (`cmake --build --preset <preset> --target
# package`, or scripts/package.sh for both):
#   windows preset: pieceviewer-VERSION-win64.zip, the two programs, the
#                   sample pieces, a README for Windows users and the licence
#                   of <model-viewer>, which piecetool carries, and in
#                   blender/ the Blender add-on (its zip, its folder and the
#                   asset library script);
#   native preset:  pieceviewer_VERSION_amd64.deb, the Linux converters, the
#                   Windows viewer with its Wine launcher, desktop entry,
#                   icon, manual pages, the sample pieces and in
#                   share/pieceviewer/blender the Blender add-on.
# Both take their version from project(... VERSION ...).
set(PV_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

set(CPACK_PACKAGE_NAME pieceviewer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "pieceviewer developers")
set(CPACK_PACKAGE_CONTACT "pieceviewer developers <pieceviewer@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer of map pieces and converter of their textures")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# Packages hold directories 0755 and files 0644/0755, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # Each program carries the version in its file properties.
  foreach(program pieceviewer piecetool)
    set(PV_RC_PROGRAM ${program})
    if(program STREQUAL "pieceviewer")
      set(PV_RC_DESCRIPTION "Map piece viewer and texture converter")
    else()
      set(PV_RC_DESCRIPTION "Command-line tools for map pieces")
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/src/resources/version.rc.in
                   ${CMAKE_BINARY_DIR}/generated/${program}_version.rc @ONLY)
    target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/generated/${program}_version.rc)
  endforeach()

  configure_file(${PV_PACKAGING_DIR}/windows/README.txt.in ${CMAKE_BINARY_DIR}/generated/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS pieceviewer piecetool RUNTIME DESTINATION .)
  install(FILES ${CMAKE_BINARY_DIR}/generated/README.txt DESTINATION .)
  # piecetool carries <model-viewer> for the pages of `piecetool site`.
  install(FILES ${PV_MODEL_VIEWER_LICENSE} DESTINATION . RENAME model-viewer-LICENSE.txt)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/ DESTINATION samples)
  # The add-on's zip to install in Blender, and its folder beside the script
  # that makes asset libraries headless, which loads it from there.
  install(FILES ${PV_ADDON_ZIP} ${PV_ASSET_LIBRARY_SCRIPT} DESTINATION blender)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/blender_addon/map_pieces DESTINATION blender
          USE_SOURCE_PERMISSIONS)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME pieceviewer-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

if(PV_SANITIZE)
  return() # packages come from the release build
endif()

# The Windows viewer inside the Debian package comes from the windows preset's
# build (scripts/package.sh builds it first).
set(PV_WINDOWS_BIN_DIR ${PROJECT_SOURCE_DIR}/build/windows/bin
    CACHE PATH "Folder holding the windows build's pieceviewer.exe for the Debian package")

install(TARGETS pieceviewer piecetool RUNTIME DESTINATION bin)
install(PROGRAMS ${PV_PACKAGING_DIR}/debian/pieceviewer-gui DESTINATION bin)
# Wine needs no execute bit; a Windows program is data to the Linux system.
install(FILES ${PV_WINDOWS_BIN_DIR}/pieceviewer.exe DESTINATION lib/pieceviewer)
# Stripped as the zip's copy is (by the Windows toolchain's strip).
find_program(PV_MINGW_STRIP x86_64-w64-mingw32-strip)
if(PV_MINGW_STRIP)
  install(CODE "execute_process(COMMAND ${PV_MINGW_STRIP}
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/pieceviewer/pieceviewer.exe\" COMMAND_ERROR_IS_FATAL ANY)")
endif()
install(FILES ${PV_PACKAGING_DIR}/debian/pieceviewer.desktop DESTINATION share/applications)
install(FILES ${PV_PACKAGING_DIR}/debian/pieceviewer.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/ DESTINATION share/pieceviewer/samples)
# The Blender add-on, without a piecetool of its own (it runs /usr/bin's): its
# zip to install in Blender, and its folder beside the asset library script,
# which loads it from there.
install(FILES ${PV_ADDON_DEB_ZIP} ${PV_ASSET_LIBRARY_SCRIPT} DESTINATION share/pieceviewer/blender)
install(DIRECTORY ${CMAKE_BINARY_DIR}/blender_addon_deb/stage/map_pieces
        DESTINATION share/pieceviewer/blender)

# Compressed as Debian keeps them: gzip -9, no name or time stamp inside.
set(pv_doc_dir ${CMAKE_BINARY_DIR}/package-doc)
file(MAKE_DIRECTORY ${pv_doc_dir})
function(pv_gzip source target)
  add_custom_command(OUTPUT ${target} COMMAND gzip -9nc ${source} > ${target} DEPENDS ${source}
                     VERBATIM)
endfunction()

# Manual pages: the two command-line programs' from their own --help and
# --version texts (help2man), with a description added; the launcher's as
# written.
find_program(PV_HELP2MAN help2man)
if(NOT PV_HELP2MAN)
  message(WARNING "help2man not found (scripts/install-deps.sh installs it): the Debian package "
                  "will lack the manual pages of pieceviewer and piecetool")
endif()
set(pv_man_pages)
foreach(program pieceviewer piecetool)
  if(NOT PV_HELP2MAN)
    break()
  endif()
  set(page ${pv_doc_dir}/${program}.1)
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${PV_HELP2MAN} --no-info --no-discard-stderr
            --include=${PV_PACKAGING_DIR}/debian/${program}.h2m --output=${page}
            $<TARGET_FILE:${program}>
    DEPENDS ${program} ${PV_PACKAGING_DIR}/debian/${program}.h2m
    VERBATIM)
  pv_gzip(${page} ${page}.gz)
  list(APPEND pv_man_pages ${page}.gz)
endforeach()
pv_gzip(${PV_PACKAGING_DIR}/debian/pieceviewer-gui.1 ${pv_doc_dir}/pieceviewer-gui.1.gz)
list(APPEND pv_man_pages ${pv_doc_dir}/pieceviewer-gui.1.gz)
pv_gzip(${PV_PACKAGING_DIR}/debian/changelog ${pv_doc_dir}/changelog.gz)
add_custom_target(package_docs ALL DEPENDS ${pv_man_pages} ${pv_doc_dir}/changelog.gz)
install(FILES ${pv_man_pages} DESTINATION share/man/man1)
install(FILES ${pv_doc_dir}/changelog.gz ${PV_PACKAGING_DIR}/debian/copyright
        DESTINATION share/doc/pieceviewer)
# piecetool carries <model-viewer> for the pages of `piecetool site`; the
# copyright file names it too.
install(FILES ${PV_MODEL_VIEWER_LICENSE} DESTINATION share/doc/pieceviewer
        RENAME model-viewer-LICENSE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# wine runs the viewer; IPAGothic stands in for the viewer's Japanese fonts;
# fonts-wine holds Marlett, the font of the window-caption symbols; locales
# holds the sources of the Japanese locale the launcher compiles when the
# system has none.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "wine, fonts-ipafont-gothic, fonts-wine, locales")
# xprop tells the launcher whether the display has a window manager.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "x11-utils")
# Blender runs the add-on in /usr/share/pieceviewer/blender.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "blender")
# The first line of the description is the summary above; CPack indents these.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A map piece is a profile (.prt), a 3D model (.msm) and textures (.txr).
pieceviewer-gui runs the Windows viewer under Wine: it lists the pieces of
three folders and shows each one turning, textured. pieceviewer converts
textures to Windows bitmaps and back; piecetool works on whole folders.
Sample pieces are in /usr/share/pieceviewer/samples, the Blender add-on
Map Pieces in /usr/share/pieceviewer/blender.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
