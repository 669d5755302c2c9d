# The order of the phrase index and the pinyin index on many generated entries.
list(APPEND QL_COMPILER_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/index_order_test.cpp
)
