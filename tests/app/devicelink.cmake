# The bridge and the registry, against emulated units on the test bed.
add_executable(devicelink_test devicelink_test.cpp)
set_target_properties(devicelink_test PROPERTIES AUTOMOC ON)
target_link_libraries(devicelink_test PRIVATE zq40_devicelink zq40emu Qt6::Test)
add_test(NAME devicelink_test COMMAND ${TESTBED_RUNNER} $<TARGET_FILE:devicelink_test>)
set_tests_properties(devicelink_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120 LABELS threads)
threaded_test(devicelink_test)

# The panel's core without a window: edits, flows and their questions.
add_executable(core_flows_bus_test core_flows_bus_test.cpp)
set_target_properties(core_flows_bus_test PROPERTIES AUTOMOC ON)
target_link_libraries(core_flows_bus_test PRIVATE zq40_core zq40emu Qt6::Test)
add_test(NAME core_flows_bus_test COMMAND ${TESTBED_RUNNER} $<TARGET_FILE:core_flows_bus_test>)
set_tests_properties(core_flows_bus_test PROPERTIES TIMEOUT 120 LABELS threads)
threaded_test(core_flows_bus_test)
