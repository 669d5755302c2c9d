# The installation's system operations: the module's version stamping (portable).
target_sources(qlinstall PRIVATE ${CMAKE_CURRENT_LIST_DIR}/version_stamp.cpp)
