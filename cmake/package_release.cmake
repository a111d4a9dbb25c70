# Writes the player download: the stripped plugin and data checker, the sample car_dealers/ folder
# and the player notes with Windows line ends, in a zip made afresh each time.
# cmake -DDLL=... -DCHECKER=... -DSTRIP=... -DDATA_DIR=... -DNOTES=... -DZIP=... -P package_release.cmake
foreach(input DLL CHECKER STRIP DATA_DIR NOTES ZIP)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "package_release: ${input} not given")
  endif()
endforeach()

set(stage "${ZIP}.files")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}/car_dealers")

file(COPY_FILE "${DLL}" "${stage}/car_dealers.dll")
file(COPY_FILE "${CHECKER}" "${stage}/dealers-check.exe")
execute_process(COMMAND "${STRIP}" --strip-all "${stage}/car_dealers.dll" "${stage}/dealers-check.exe"
                COMMAND_ERROR_IS_FATAL ANY)
foreach(name dealers.conf dealers.csv)
  file(COPY_FILE "${DATA_DIR}/${name}" "${stage}/car_dealers/${name}")
endforeach()

# Notes a player opens with any Windows editor.
file(READ "${NOTES}" notes)
string(REPLACE "\r\n" "\n" notes "${notes}")
string(REPLACE "\n" "\r\n" notes "${notes}")
file(WRITE "${stage}/car_dealers.txt" "${notes}")

file(REMOVE "${ZIP}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${ZIP}" --format=zip car_dealers.dll car_dealers.txt dealers-check.exe car_dealers
                WORKING_DIRECTORY "${stage}" COMMAND_ERROR_IS_FATAL ANY)
