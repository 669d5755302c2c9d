# The settings dialog's decisions: defaults, selection keys, the values and bits it writes and the
# opening of the settings key. They belong to the dialog (setup/flow) but are portable, so they
# build here, where the host tests reach them; the Win32 dialog links them through qlinstall.
target_sources(qlinstall PRIVATE ${PROJECT_SOURCE_DIR}/setup/flow/settings_values.cpp)
