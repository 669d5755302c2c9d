# Pinyin syllable coding and the reading table.
list(APPEND QL_COMPILER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/syllable_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/syllables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reading_table.cpp
)
