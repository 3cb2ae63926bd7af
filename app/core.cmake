# The panel's core: the session with the units, the presentation rules, and
# the configuration and firmware flows. Qt Core and Qt Xml only: every front
# end (the window, the command-line tool, the service) is built on it.
add_library(zq40_core STATIC
    session/panel_core.cpp
    session/presentation.cpp
    session/service_units.cpp
    session/setting_edits.cpp
    session/unit_output.cpp
    session/unit_events.cpp
    session/unit_session.cpp
    session/unit_waiter.cpp
    config/config_flow.cpp
    firmware/child_update_rules.cpp
    firmware/firmware_flow.cpp
)
target_include_directories(zq40_core PUBLIC
    ${CMAKE_CURRENT_SOURCE_DIR}/session ${CMAKE_CURRENT_SOURCE_DIR}/config ${CMAKE_CURRENT_SOURCE_DIR}/firmware)
target_link_libraries(zq40_core PUBLIC zq40_devicelink zq40_config zq40_firmware_catalogue zq40_model zq40_platform orlousb Qt6::Core)
set_target_properties(zq40_core PROPERTIES AUTOMOC ON AUTOUIC OFF)
