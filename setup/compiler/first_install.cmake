# The first-install compilers: the punctuation table and the custom-input indexes, and their
# dumps.
list(APPEND QL_COMPILER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/punctuation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_input_sort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_input_driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/first_install_dump.cpp
)
