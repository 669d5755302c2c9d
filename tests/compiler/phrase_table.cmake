# Tests of the phrase-table builder.
list(APPEND QL_COMPILER_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/phrase_table_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phrase_table_sections_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phrase_table_bounds_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phrase_table_test_support.cpp
)
