# The presentation rules, the priority dialog and the remotes panel, on their
# own: offscreen, no units needed.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

# add_panel_test comes from form.cmake.
add_panel_test(presentation_test zq40_core)
add_panel_test(window_state_test zq40_core)
add_panel_test(priority_dialog_test zq40_window)
add_panel_test(remote_status_test zq40_shell)
