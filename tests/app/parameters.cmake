# The parameter blocks, their conversions, display texts and report framing.
add_executable(parameters_test
    level_conversion_test.cpp
    parameter_blocks_test.cpp
    parameter_change_test.cpp
    report_codec_test.cpp
    value_text_test.cpp
    zone_links_test.cpp
)
target_link_libraries(parameters_test PRIVATE zq40_devicelink GTest::gtest_main)
gtest_discover_tests(parameters_test DISCOVERY_MODE PRE_TEST)

# The emulator's factory settings against the panel's.
add_executable(factory_blocks_test factory_blocks_test.cpp)
target_link_libraries(factory_blocks_test PRIVATE zq40_model zq40emu GTest::gtest_main)
gtest_discover_tests(factory_blocks_test DISCOVERY_MODE PRE_TEST)
