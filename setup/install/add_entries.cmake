# Dictionaries and schemes of the user's own, added to the package from the install dialog: the
# files written and the entries appended, with the file-existence test of each platform.
target_sources(qlinstall PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/add_entries.cpp
  ${CMAKE_CURRENT_LIST_DIR}/add_dictionary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/add_scheme.cpp
)
if(WIN32)
  target_sources(qlinstall PRIVATE ${CMAKE_CURRENT_LIST_DIR}/add_entries_win.cpp)
else()
  target_sources(qlinstall PRIVATE ${CMAKE_CURRENT_LIST_DIR}/add_entries_host.cpp)
endif()
