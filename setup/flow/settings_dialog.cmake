# The settings dialog; its decisions (settings_values.cpp) are portable and build in qlinstall.
target_sources(qlsetupwin PRIVATE ${CMAKE_CURRENT_LIST_DIR}/settings_dialog_win.cpp)
