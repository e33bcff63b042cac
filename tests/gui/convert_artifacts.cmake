# Turns the screenshots that the GUI tests keep (bitmap files) into PNG files
# beside them. Run by CTest after the GUI tests:
#   cmake -DCONVERT=<convert> -DDIR=<artifacts folder> -P convert_artifacts.cmake
file(GLOB shots "${DIR}/*.bmp")
foreach(shot IN LISTS shots)
  get_filename_component(stem "${shot}" NAME_WE)
  execute_process(COMMAND "${CONVERT}" "${shot}" "${DIR}/${stem}.png" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot convert ${shot}")
  endif()
  message(STATUS "wrote ${DIR}/${stem}.png")
endforeach()
