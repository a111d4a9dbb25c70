# The player download, car-dealers-<version>-win32.zip with SHA256SUMS beside it, built with everything
# else; scripts/release copies both to dist/.
#
# Two clean builds of one commit give the same bytes: every time stamp in it is the commit's.
# SOURCE_DATE_EPOCH, when the environment sets it, says which time that is; otherwise it is the
# committer's time of HEAD. The linker writes it into the programs shipped (their export table), strip
# into their PE headers, the packer into the zip's entries. Configuring takes it afresh, and the
# commands that carry it run again when it changes.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(WARNING "No commit to take the download's time stamps from (not a git checkout?): set "
                  "SOURCE_DATE_EPOCH. The download is stamped 1980-01-01.")
  set(SOURCE_DATE_EPOCH 315532800)
endif()
set_target_properties(car_dealers dealers-check PROPERTIES
                      CXX_LINKER_LAUNCHER "${CMAKE_COMMAND};-E;env;SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH}")

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(RELEASE_ZIP ${CMAKE_BINARY_DIR}/dist/car-dealers-${PROJECT_VERSION}-win32.zip)
# The pictures the notes link to, beside them in the download as in docs/.
set(RELEASE_PICTURES ${PROJECT_SOURCE_DIR}/docs/sample_zones.svg ${PROJECT_SOURCE_DIR}/docs/example_zones.svg
                     ${PROJECT_SOURCE_DIR}/docs/sample_zones_town.svg ${PROJECT_SOURCE_DIR}/docs/sample_town.png)
set(RELEASE_INPUTS ${PROJECT_SOURCE_DIR}/data/car_dealers/dealers.conf ${PROJECT_SOURCE_DIR}/data/car_dealers/dealers.csv
                   ${PROJECT_SOURCE_DIR}/docs/players.md ${RELEASE_PICTURES} ${CMAKE_CURRENT_LIST_DIR}/package_release.py)
list(TRANSFORM RELEASE_PICTURES PREPEND "--picture;" OUTPUT_VARIABLE RELEASE_PICTURE_ARGUMENTS)
add_custom_command(
  OUTPUT ${RELEASE_ZIP} ${CMAKE_BINARY_DIR}/dist/SHA256SUMS
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/package_release.py --dll $<TARGET_FILE:car_dealers>
          --checker $<TARGET_FILE:dealers-check> --strip ${CMAKE_STRIP} --data-dir ${PROJECT_SOURCE_DIR}/data/car_dealers
          --notes ${PROJECT_SOURCE_DIR}/docs/players.md --zip ${RELEASE_ZIP} --epoch ${SOURCE_DATE_EPOCH}
          ${RELEASE_PICTURE_ARGUMENTS}
  DEPENDS car_dealers dealers-check ${RELEASE_INPUTS}
  COMMENT "Packing ${RELEASE_ZIP}"
  VERBATIM)
add_custom_target(release_zip ALL DEPENDS ${RELEASE_ZIP})
