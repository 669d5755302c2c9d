# Tests of the pinyin index builder.
list(APPEND QL_COMPILER_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/pinyin_index_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pinyin_index_bounds_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pinyin_index_test_support.cpp
)
