# The main window's form, the window as the program builds it, and the
# single-instance start. All run offscreen.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

function(add_panel_test name)
    add_executable(${name} ${name}.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC OFF)
    target_link_libraries(${name} PRIVATE ${ARGN} Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    # Qt is not built with ThreadSanitizer: its own synchronisation is suppressed.
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TSAN_OPTIONS=suppressions=${PROJECT_BINARY_DIR}/tests/tsan.supp"
        TIMEOUT 120)
endfunction()

# The window with emulated units on the test bed, offscreen. One at a time:
# two windows, their library workers and their emulators on two cores miss
# the few seconds the tests allow a unit to settle.
function(add_window_bus_test name)
    add_executable(${name} ${name}.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC OFF)
    target_link_libraries(${name} PRIVATE zq40_shell zq40emu Qt6::Test)
    add_test(NAME ${name} COMMAND ${TESTBED_RUNNER} $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120 RESOURCE_LOCK window_bus)
endfunction()

# The form alone, with the resources its logo frame names.
add_panel_test(form_test zq40_shell)
add_panel_test(mainwindow_test zq40_shell)
add_panel_test(mainwindow_priority_test zq40_shell)
add_panel_test(mainwindow_bindings_test zq40_shell)
add_panel_test(mainwindow_states_test zq40_shell)
add_panel_test(single_instance_test zq40_shell)
target_compile_definitions(single_instance_test PRIVATE "ZQ40PANEL_PATH=\"$<TARGET_FILE:zq40panel>\"")
add_dependencies(single_instance_test zq40panel)

# The window with emulated units on the test bed.
add_window_bus_test(mainwindow_bus_test)

# The window's device list, presentations and edits with emulated units.
add_window_bus_test(mainwindow_states_bus_test)

# The window with units that misbehave or leave at awkward moments.
add_window_bus_test(mainwindow_faults_bus_test)

# The window with a unit that comes and goes around edits, or floods and lies.
add_window_bus_test(mainwindow_hostile_bus_test)
set_tests_properties(mainwindow_hostile_bus_test PROPERTIES TIMEOUT 300)

# The configuration buttons, offline and with units.
add_panel_test(mainwindow_config_test zq40_shell)
add_window_bus_test(mainwindow_config_bus_test)

# Not a test: pictures of the window on a display, for a person to look at
# (scripts/screenshots.sh).
add_executable(window_screenshots window_screenshots.cpp)
set_target_properties(window_screenshots PROPERTIES AUTOMOC ON AUTOUIC OFF)
target_link_libraries(window_screenshots PRIVATE zq40_shell zq40emu Qt6::Test)
