# The Blender add-on "Map Pieces" as the zip Blender installs (Edit >
# Preferences > Add-ons > Install...): one folder, map_pieces/, holding the
# add-on's files and, in bin/, this build's piecetool, which the add-on runs
# for every reading and writing of pieces.
#   native preset:  packages/map_pieces-VERSION.zip        (Linux piecetool)
#   windows preset: packages/map_pieces-VERSION-win64.zip  (piecetool.exe)
# The native build also makes the Debian package's copy, without bin/: there
# the add-on runs the package's /usr/bin/piecetool.
# `cmake --build --preset <preset> --target blender_addon` makes the zip; the
# normal build makes it too, since the release packages carry it.
if(PV_SANITIZE)
  return() # packages come from the release build
endif()

set(PV_ADDON_SOURCE ${PROJECT_SOURCE_DIR}/blender/map_pieces)
file(GLOB_RECURSE pv_addon_files CONFIGURE_DEPENDS ${PV_ADDON_SOURCE}/*.py
     ${PV_ADDON_SOURCE}/*.toml)
set(PV_ASSET_LIBRARY_SCRIPT ${PROJECT_SOURCE_DIR}/blender/make_asset_library.py)

if(WIN32)
  set(PV_ADDON_ZIP ${CMAKE_BINARY_DIR}/packages/map_pieces-${PROJECT_VERSION}-win64.zip)
else()
  set(PV_ADDON_ZIP ${CMAKE_BINARY_DIR}/packages/map_pieces-${PROJECT_VERSION}.zip)
endif()

# Stripped as the release packages' programs are.
set(pv_addon_strip "")
if(CMAKE_STRIP)
  set(pv_addon_strip ${CMAKE_STRIP})
endif()

add_custom_command(
  OUTPUT ${PV_ADDON_ZIP}
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PV_ADDON_SOURCE} -DSTAGE=${CMAKE_BINARY_DIR}/blender_addon
          -DZIP=${PV_ADDON_ZIP} -DPROGRAM=$<TARGET_FILE:piecetool> -DSTRIP=${pv_addon_strip} -P
          ${PROJECT_SOURCE_DIR}/cmake/blender_addon_zip.cmake
  DEPENDS piecetool ${pv_addon_files} ${PROJECT_SOURCE_DIR}/cmake/blender_addon_zip.cmake
  VERBATIM)
set(pv_addon_outputs ${PV_ADDON_ZIP})

if(NOT WIN32)
  set(PV_ADDON_DEB_ZIP ${CMAKE_BINARY_DIR}/blender_addon_deb/map_pieces-${PROJECT_VERSION}.zip)
  add_custom_command(
    OUTPUT ${PV_ADDON_DEB_ZIP}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${PV_ADDON_SOURCE}
            -DSTAGE=${CMAKE_BINARY_DIR}/blender_addon_deb/stage -DZIP=${PV_ADDON_DEB_ZIP} -P
            ${PROJECT_SOURCE_DIR}/cmake/blender_addon_zip.cmake
    DEPENDS ${pv_addon_files} ${PROJECT_SOURCE_DIR}/cmake/blender_addon_zip.cmake
    VERBATIM)
  list(APPEND pv_addon_outputs ${PV_ADDON_DEB_ZIP})
endif()

add_custom_target(blender_addon ALL DEPENDS ${pv_addon_outputs})
