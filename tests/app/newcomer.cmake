# What someone meets first: the command line, and the hint about a unit that
# is plugged in but out of reach.
add_panel_test(command_line_test zq40_shell)
target_compile_definitions(command_line_test PRIVATE "ZQ40PANEL_PATH=\"$<TARGET_FILE:zq40panel>\"")
add_dependencies(command_line_test zq40panel)

add_executable(access_hint_test access_hint_test.cpp)
set_target_properties(access_hint_test PROPERTIES AUTOMOC ON AUTOUIC OFF)
target_link_libraries(access_hint_test PRIVATE zq40_shell zq40emu Qt6::Test)
add_test(NAME access_hint_test COMMAND ${TESTBED_RUNNER} $<TARGET_FILE:access_hint_test>)
set_tests_properties(access_hint_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 60)
