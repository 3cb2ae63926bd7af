# The install tree: `cmake --install` into a scratch prefix, then the files,
# the library's SONAME, its pkg-config and CMake package, the installed
# program starting offline with the installed library; and the udev rule.
find_program(READELF readelf REQUIRED)
find_program(APPSTREAMCLI appstreamcli)
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)

add_test(NAME install_tree
    COMMAND ${CMAKE_COMMAND} -E env
        CMAKE=${CMAKE_COMMAND} READELF=${READELF} CC=${CMAKE_C_COMPILER}
        APPSTREAMCLI=${APPSTREAMCLI} DESKTOP_FILE_VALIDATE=${DESKTOP_FILE_VALIDATE}
        bash ${CMAKE_CURRENT_LIST_DIR}/install_tree.sh
        ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/install-tree ${CMAKE_INSTALL_LIBDIR}
        ${ZQ40_APP_ID} ${ZQ40_UDEV_RULES_DIR}/${ZQ40_UDEV_RULE_FILE} ${CMAKE_CURRENT_LIST_DIR}/consumer)
set_tests_properties(install_tree PROPERTIES TIMEOUT 60 RESOURCE_LOCK install_tree)

# The rule read as udev reads it, and matched against emulated units.
add_bus_test(udev_rule_test ${CMAKE_CURRENT_LIST_DIR}/udev_rule_test.cpp)
target_link_libraries(udev_rule_test PRIVATE PkgConfig::UDEV)
target_compile_definitions(udev_rule_test PRIVATE
    "ZQ40_UDEV_RULE_PATH=\"${PROJECT_SOURCE_DIR}/data/${ZQ40_UDEV_RULE_FILE}\"")

# udevadm verify came with systemd 253; older udevadm skips.
find_program(UDEVADM udevadm)
if(UDEVADM)
    add_test(NAME udev_rule_verify
        COMMAND sh -c "'${UDEVADM}' verify --help >/dev/null 2>&1 || exit 77; '${UDEVADM}' verify \"$0\""
            ${PROJECT_SOURCE_DIR}/data/${ZQ40_UDEV_RULE_FILE})
    set_tests_properties(udev_rule_verify PROPERTIES SKIP_RETURN_CODE 77)
endif()

# The virtual units of scripts/run.sh and its plug/unplug console.
add_test(NAME virtual_units
    COMMAND ${SANITIZER_ENV} bash ${CMAKE_CURRENT_LIST_DIR}/virtual_units_test.sh
        $<TARGET_FILE:zq40-emulate> $<TARGET_FILE:ousb-monitor> ${PROJECT_SOURCE_DIR}/scripts/virtual-units.txt)
set_tests_properties(virtual_units PROPERTIES TIMEOUT 30)

# zq40d's systemd unit installed into a DESTDIR, as a package installs it.
find_program(SYSTEMD_ANALYZE systemd-analyze)
add_test(NAME install_zq40d_unit COMMAND ${CMAKE_COMMAND} -E env CMAKE=${CMAKE_COMMAND} SYSTEMD_ANALYZE=${SYSTEMD_ANALYZE}
    bash ${CMAKE_CURRENT_LIST_DIR}/zq40d_unit.sh ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/zq40d-destdir
        ${CMAKE_INSTALL_PREFIX} ${ZQ40_SYSTEMD_UNIT_DIR})
set_tests_properties(install_zq40d_unit PROPERTIES TIMEOUT 60 RESOURCE_LOCK install_tree SKIP_RETURN_CODE 77)
