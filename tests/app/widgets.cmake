# The priority dialog and the remote status display, on their own: offscreen,
# no window and no units needed.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

function(add_widgets_test name)
    add_executable(${name} ${name}.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC OFF)
    target_link_libraries(${name} PRIVATE zq40_panel_widgets Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    # Qt is not built with ThreadSanitizer: its own synchronisation is suppressed.
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TSAN_OPTIONS=suppressions=${PROJECT_BINARY_DIR}/tests/tsan.supp"
        TIMEOUT 120)
endfunction()

add_widgets_test(priority_dialog_test)
add_widgets_test(remote_status_rules_test)
add_widgets_test(remote_status_test)
