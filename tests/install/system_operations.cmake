# Version stamping of the module on hand-built bytes and through the file seam.
target_sources(ql_install_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/version_stamp_test.cpp)
