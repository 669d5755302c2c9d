# The first-install compilers: the punctuation table and the custom-input indexes, their dumps,
# and the read-only text mapping the custom-input step reads through.
list(APPEND QL_COMPILER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/punctuation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_input_sort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_input_driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/first_install_dump.cpp
)
if(WIN32)
  list(APPEND QL_COMPILER_SOURCES ${CMAKE_CURRENT_LIST_DIR}/../common/read_only_mapping_win.cpp)
else()
  list(APPEND QL_COMPILER_SOURCES ${CMAKE_CURRENT_LIST_DIR}/../common/read_only_mapping_host.cpp)
endif()
