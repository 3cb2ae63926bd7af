# The presentation rules, the priority dialog and the remotes panel, on their
# own: offscreen, no units needed.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

function(add_widgets_test name)
    add_executable(${name} ${name}.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC OFF)
    target_link_libraries(${name} PRIVATE ${ARGN} Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    # Qt is not built with ThreadSanitizer: its own synchronisation is suppressed.
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TSAN_OPTIONS=suppressions=${PROJECT_BINARY_DIR}/tests/tsan.supp"
        TIMEOUT 120)
endfunction()

add_widgets_test(presentation_test zq40_core)
add_widgets_test(window_state_test zq40_core)
add_widgets_test(priority_dialog_test zq40_window)
add_widgets_test(remote_status_test zq40_shell)
