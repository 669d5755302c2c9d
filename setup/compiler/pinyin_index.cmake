# The pinyin index builder and its dump.
list(APPEND QL_COMPILER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/pinyin_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pinyin_index_dycz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pinyin_index_driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pinyin_index_dump.cpp
)
