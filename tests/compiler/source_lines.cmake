# The one-line parses of mb.txt and dycz.txt that the builders and qlc check share.
list(APPEND QL_COMPILER_TESTS ${CMAKE_CURRENT_LIST_DIR}/source_lines_test.cpp)
