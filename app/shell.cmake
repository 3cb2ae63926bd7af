# The program's shell: single instance, start-up and the main window. The
# window and the resources are a library of their own so that tests can build
# the same window the program shows.
add_library(zq40_shell OBJECT
    access_hint.cpp
    command_line.cpp
    mainwindow.cpp
    mainwindow_config.cpp
    mainwindow_firmware.cpp
    mainwindow_inputs.cpp
    mainwindow_levels.cpp
    mainwindow_links.cpp
    mainwindow_names.cpp
    mainwindow_priority.cpp
    mainwindow_refresh.cpp
    mainwindow_send.cpp
    mainwindow_states.cpp
    mainwindow_widgets.cpp
    mainwindow_zones.cpp
    single_instance.cpp
    startup_report.cpp
    zq40panel.qrc)
target_include_directories(zq40_shell PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zq40_shell PUBLIC zq40_form zq40_parameters zq40_config zq40_firmware_rules zq40_devicelink zq40_panel_widgets orlousb Qt6::Widgets)
# The forms come compiled from zq40_form.
set_target_properties(zq40_shell PROPERTIES AUTOUIC OFF)

add_executable(zq40panel main.cpp)
target_link_libraries(zq40panel PRIVATE zq40_shell)
set_target_properties(zq40panel PROPERTIES AUTOUIC OFF)
