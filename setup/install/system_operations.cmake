# The installation's system operations: the module's version stamping (portable) and the installed
# folder's access rights (the system's security interfaces; nothing on the host).
target_sources(qlinstall PRIVATE ${CMAKE_CURRENT_LIST_DIR}/version_stamp.cpp)
if(WIN32)
  target_sources(qlinstall PRIVATE ${CMAKE_CURRENT_LIST_DIR}/file_access_win.cpp)
  target_link_libraries(qlinstall PUBLIC advapi32)
else()
  target_sources(qlinstall PRIVATE ${CMAKE_CURRENT_LIST_DIR}/system_operations_host.cpp)
endif()
