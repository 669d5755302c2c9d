# diskident's tests, kept in tests/diskident/ with the sources they test. Included from here so
# that they build for the host and for Windows alike.
add_subdirectory(${PROJECT_SOURCE_DIR}/tests/diskident ${CMAKE_BINARY_DIR}/tests/diskident)
