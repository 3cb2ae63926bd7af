# The firmware button: its decisions, the settings backup, and the flow with
# emulated units (updates that work, and updates that fail half-way). Tests
# that write backups get a home of their own: the data folder of Qt's test
# mode lies under it, so other tests running meanwhile cannot touch it.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

function(use_own_home name)
    set(home ${CMAKE_CURRENT_BINARY_DIR}/home/${name})
    file(MAKE_DIRECTORY ${home})
    # Added to what the test has already (the sanitizers' options among it).
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "QT_QPA_PLATFORM=offscreen" "HOME=${home}")
endfunction()

add_panel_test(firmware_backup_test zq40_config)
use_own_home(firmware_backup_test)

function(add_firmware_bus_test name)
    add_window_bus_test(${name})
    use_own_home(${name})
endfunction()

add_firmware_bus_test(mainwindow_firmware_bus_test)
add_firmware_bus_test(mainwindow_firmware_faults_bus_test)
