# Tests of the first-install compilers: the punctuation table and the custom-input indexes.
list(APPEND QL_COMPILER_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/punctuation_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_input_step_test.cpp
)
