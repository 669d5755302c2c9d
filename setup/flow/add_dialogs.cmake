# The add-dictionary and add-scheme dialogs, opened from the install dialog.
target_sources(qlsetupwin PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/add_dialogs_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/add_dictionary_dialog_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/add_scheme_dialog_win.cpp
)
