# Configuration files: round trips, damaged input, failed saves.
find_package(Qt6 REQUIRED COMPONENTS Core Xml Test)

add_executable(config_test
    config_read_test.cpp
    config_save_test.cpp
    config_write_test.cpp
    config_files.cpp
)
target_link_libraries(config_test PRIVATE zq40_config Qt6::Test GTest::gtest_main)
gtest_discover_tests(config_test DISCOVERY_MODE PRE_TEST)
