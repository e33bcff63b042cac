# Stages the add-on folder and zips it (cmake -P), for blender_addon.cmake.
#   SOURCE   blender/map_pieces of the repository
#   STAGE    a scratch folder, emptied first
#   ZIP      the zip to write
#   PROGRAM  piecetool to put in map_pieces/bin/ (none: a zip without bin/)
#   STRIP    the toolchain's strip, or empty
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
# Only the add-on's own files: no byte code a local Blender run may have left.
file(COPY ${SOURCE} DESTINATION ${STAGE} FILES_MATCHING PATTERN "*.py" PATTERN "*.toml"
     PATTERN "__pycache__" EXCLUDE)
if(PROGRAM)
  file(COPY ${PROGRAM} DESTINATION ${STAGE}/map_pieces/bin
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
  if(STRIP)
    get_filename_component(name ${PROGRAM} NAME)
    execute_process(COMMAND ${STRIP} ${STAGE}/map_pieces/bin/${name} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endif()
get_filename_component(folder ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
file(REMOVE ${ZIP}.part)
# Written beside the zip and renamed over it: an interrupted build leaves no
# zip cut short under the released name.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP}.part --format=zip --mtime=2000-01-01
                        map_pieces WORKING_DIRECTORY ${STAGE} COMMAND_ERROR_IS_FATAL ANY)
file(RENAME ${ZIP}.part ${ZIP})
