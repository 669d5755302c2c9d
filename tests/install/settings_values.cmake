# The settings dialog's decisions against the in-memory registry.
add_executable(ql_settings_tests ${CMAKE_CURRENT_LIST_DIR}/settings_values_test.cpp)
target_link_libraries(ql_settings_tests PRIVATE qlflow qltestsupport gtest_main)
add_test(NAME settings COMMAND ql_settings_tests)
if(WIN32)
  set_tests_properties(settings PROPERTIES RUN_SERIAL TRUE)
endif()
