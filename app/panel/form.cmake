# The main window's and the priority dialog's forms. uic writes ui_mainwindow.h
# and ui_dialog.h once, here, for everything that links zq40_form; the logo
# the window's form uses is in the shell's resources (app/zq40panel.qrc).
# form_font.h picks the font the forms' fixed geometry needs.
qt6_wrap_ui(ZQ40_FORM_HEADERS mainwindow.ui dialog.ui)
add_library(zq40_form INTERFACE ${ZQ40_FORM_HEADERS})
target_include_directories(zq40_form INTERFACE ${CMAKE_CURRENT_BINARY_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zq40_form INTERFACE Qt6::Widgets)
