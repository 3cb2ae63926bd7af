# The program's shell: the command line, start-up and the resources. An
# object library with the window, so that tests and benchmarks build the same
# window the program shows.
add_library(zq40_shell OBJECT command_line.cpp startup_report.cpp zq40panel.qrc)
target_include_directories(zq40_shell PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zq40_shell PUBLIC zq40_window)
set_target_properties(zq40_shell PROPERTIES AUTOUIC OFF)

add_executable(zq40panel main.cpp)
target_link_libraries(zq40panel PRIVATE zq40_shell)
set_target_properties(zq40panel PROPERTIES AUTOUIC OFF)
