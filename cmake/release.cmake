# The player download, car-dealers-<version>-win32.zip, built with everything else; scripts/release
# copies it to dist/.
set(RELEASE_ZIP ${CMAKE_BINARY_DIR}/dist/car-dealers-${PROJECT_VERSION}-win32.zip)
set(RELEASE_INPUTS ${PROJECT_SOURCE_DIR}/data/car_dealers/dealers.conf ${PROJECT_SOURCE_DIR}/data/car_dealers/dealers.csv
                   ${PROJECT_SOURCE_DIR}/docs/players.md ${CMAKE_CURRENT_LIST_DIR}/package_release.cmake)
add_custom_command(
  OUTPUT ${RELEASE_ZIP}
  COMMAND ${CMAKE_COMMAND} -DDLL=$<TARGET_FILE:car_dealers> -DCHECKER=$<TARGET_FILE:dealers-check> -DSTRIP=${CMAKE_STRIP}
          -DDATA_DIR=${PROJECT_SOURCE_DIR}/data/car_dealers -DNOTES=${PROJECT_SOURCE_DIR}/docs/players.md
          -DZIP=${RELEASE_ZIP} -P ${CMAKE_CURRENT_LIST_DIR}/package_release.cmake
  DEPENDS car_dealers dealers-check ${RELEASE_INPUTS}
  COMMENT "Packing ${RELEASE_ZIP}"
  VERBATIM)
add_custom_target(release_zip ALL DEPENDS ${RELEASE_ZIP})
