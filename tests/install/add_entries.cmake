# The files and entries of user-added dictionaries and schemes, in a package folder of each
# test's own.
target_sources(ql_install_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/add_entries_test.cpp)
