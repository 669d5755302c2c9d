# The installation's system operations: the module's version stamping (portable), the installed
# folder's access rights and the program group's shortcuts (the system's security and shell
# interfaces; nothing on the host).
target_sources(qlinstall PRIVATE ${CMAKE_CURRENT_LIST_DIR}/version_stamp.cpp)
if(WIN32)
  target_sources(qlinstall PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/file_access_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shortcuts_win.cpp
  )
  target_link_libraries(qlinstall PUBLIC advapi32 ole32 shell32 uuid)
else()
  target_sources(qlinstall PRIVATE ${CMAKE_CURRENT_LIST_DIR}/system_operations_host.cpp)
endif()
