# The phrase-table builder.
list(APPEND QL_COMPILER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/phrase_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phrase_table_driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phrase_table_dump.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dump_difference.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_dictionary.cpp
)
