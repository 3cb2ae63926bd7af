# The parameter blocks, their conversions and display texts, and their
# framing in reports: plain C++, shared by the window, the device link and
# the configuration files.
add_library(zq40_parameters STATIC
    level_conversion.cpp
    parameter_blocks.cpp
    parameter_reports.cpp
    value_text.cpp
    zone_links.cpp
)
target_include_directories(zq40_parameters PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
set_target_properties(zq40_parameters PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
