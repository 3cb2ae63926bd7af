# What someone meets first: the command line, and the hint about a unit that
# is plugged in but out of reach.
add_panel_test(command_line_test zq40_shell)
target_compile_definitions(command_line_test PRIVATE "ZQ40PANEL_PATH=\"$<TARGET_FILE:zq40panel>\"")
add_dependencies(command_line_test zq40panel)

add_window_bus_test(access_hint_test)
