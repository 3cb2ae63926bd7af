# The window's parts that are widgets of their own or draw on its form: the
# priority dialog and the remote status display, with its decisions kept in
# plain functions.
add_library(zq40_panel_widgets STATIC
    dialog.cpp
    remote_status.cpp
    remote_status_rules.cpp
)
target_include_directories(zq40_panel_widgets PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zq40_panel_widgets PUBLIC
    zq40_form zq40_parameters zq40_devicelink zq40_firmware_catalogue orlousb Qt6::Widgets)
# The forms come compiled from zq40_form.
set_target_properties(zq40_panel_widgets PROPERTIES AUTOMOC ON AUTOUIC OFF)
