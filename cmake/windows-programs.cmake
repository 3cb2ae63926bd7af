# zq40panel.exe and zq40ctl.exe beside orlousb.dll, from the same sources as
# on Linux, on the Qt that scripts/qt-mingw.sh cross-builds:
#
#   cmake -S . -B build-mingw-qt -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#       -DZQ40_QT_MINGW="$(scripts/qt-mingw.sh)" -DZQ40_HOST_TOOLS="$PWD/build/tools/firmware_catalogue"
#
# bin/ then holds everything the programs need to run, as installing does.
set(ZQ40_HOST_TOOLS "" CACHE PATH
    "Folder of the Linux build's firmware catalogue tools (make_firmware_catalogue), which the build runs")

# Qt's host tools are Debian's, of the same version (moc, rcc, uic).
if(NOT QT_HOST_PATH)
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${ZQ40_QT_MINGW}")

# The catalogue is written (or the maker's checked) on the build machine.
foreach(tool make_firmware_catalogue check_firmware_catalogue)
  find_program(ZQ40_${tool} ${tool} HINTS "${ZQ40_HOST_TOOLS}" NO_DEFAULT_PATH)
  if(NOT ZQ40_${tool})
    message(FATAL_ERROR "ZQ40_HOST_TOOLS: no ${tool} in '${ZQ40_HOST_TOOLS}' (build it in a Linux build first)")
  endif()
  add_executable(${tool} IMPORTED)
  set_target_properties(${tool} PROPERTIES IMPORTED_LOCATION "${ZQ40_${tool}}")
endforeach()

add_subdirectory(app)
# A window without a console behind it.
set_target_properties(zq40panel PROPERTIES WIN32_EXECUTABLE ON)

# What the programs load, beside them: Qt's DLLs and plugins and the
# compiler's runtime (orlousb.dll has its runtime linked in).
set(qt_dlls Qt6Core Qt6Gui Qt6Network Qt6Widgets Qt6Xml)
list(TRANSFORM qt_dlls PREPEND "${ZQ40_QT_MINGW}/bin/")
list(TRANSFORM qt_dlls APPEND ".dll")
set(runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(found "${found}" REALPATH)
  if(NOT EXISTS "${found}")
    message(FATAL_ERROR "the compiler does not know where ${dll} is")
  endif()
  list(APPEND runtime_dlls "${found}")
endforeach()
set(plugins "${ZQ40_QT_MINGW}/plugins")
set(bin "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
add_custom_target(zq40_windows_runtime ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory "${bin}/platforms" "${bin}/styles"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt_dlls} ${runtime_dlls} "${bin}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${plugins}/platforms/qwindows.dll"
            "${plugins}/platforms/qoffscreen.dll" "${bin}/platforms"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${plugins}/styles/qwindowsvistastyle.dll" "${bin}/styles"
    COMMENT "Copying Qt and the compiler's runtime beside the programs"
    VERBATIM)
install(FILES ${qt_dlls} ${runtime_dlls} DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${plugins}/platforms/qwindows.dll" DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
install(FILES "${plugins}/styles/qwindowsvistastyle.dll" DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)

# The panel's icon in its executable: Explorer, the Start menu and .zq40
# files show it.
enable_language(RC)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/zq40panel.rc CONTENT
     "IDI_ICON1 ICON \"${PROJECT_SOURCE_DIR}/app/images/zq40panel.ico\"\n")
target_sources(zq40panel PRIVATE ${CMAKE_BINARY_DIR}/generated/zq40panel.rc)

# zq40-setup-VERSION.exe, made with Debian's nsis when it is there.
find_program(ZQ40_MAKENSIS makensis)
if(ZQ40_MAKENSIS)
  set(installer ${CMAKE_BINARY_DIR}/zq40-setup-${PROJECT_VERSION}.exe)
  set(script ${PROJECT_SOURCE_DIR}/data/windows/zq40-setup.nsi)
  add_custom_command(OUTPUT ${installer}
      COMMAND ${ZQ40_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DBIN=${bin}
              -DICON=${PROJECT_SOURCE_DIR}/app/images/zq40panel.ico -DOUTFILE=${installer} ${script}
      DEPENDS ${script} $<TARGET_FILE:zq40panel> $<TARGET_FILE:zq40ctl> $<TARGET_FILE:orlousb>
      COMMENT "Making the installer zq40-setup-${PROJECT_VERSION}.exe"
      VERBATIM)
  add_custom_target(zq40_installer ALL DEPENDS ${installer})
  add_dependencies(zq40_installer zq40_windows_runtime)
else()
  message(STATUS "makensis not found: no installer (Debian package nsis)")
endif()
