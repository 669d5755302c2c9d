# The installation's system operations under Wine: version stamping of the stand-in module read
# back through the system's version functions, the access-control list of the installed folder
# (in-memory descriptors and one real folder), and the program group's shortcuts read back through
# the shell-link interface.
add_executable(ql_system_operations_tests
  ${CMAKE_CURRENT_LIST_DIR}/file_access_win_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shortcuts_win_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version_stamp_win_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win_test_support.cpp
)
target_link_libraries(ql_system_operations_tests PRIVATE qlinstall qltestsupport gtest_main version)
target_compile_definitions(ql_system_operations_tests PRIVATE
  "QL_STANDINS_RELATIVE=L\"${standins_relative}\"")
add_dependencies(ql_system_operations_tests ql_standin_ime)
add_test(NAME system_operations COMMAND ql_system_operations_tests)
set_tests_properties(system_operations PROPERTIES RUN_SERIAL TRUE)
