# Tests of syllable coding and the reading table.
list(APPEND QL_COMPILER_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/syllable_table_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reading_table_test.cpp
)
