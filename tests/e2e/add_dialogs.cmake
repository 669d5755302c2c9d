# The add-dictionary and add-scheme dialogs on their own, under Wine. ql_add_dialogs_host stands in
# a package as its setup.exe (the dialogs write into the folder of the running program) and shows
# the dialog that the package's add-dialog.txt names; the driver works it by
# steps/add-SCENARIO.steps, through the system's real open-file dialog. Afterwards the entries the
# host recorded must equal add_dialogs/SCENARIO.expected, and the package's dictionary and scheme
# folders must hold exactly the files the scenario expects (add_dialogs_check.sh).
add_executable(ql_add_dialogs_host WIN32 ${CMAKE_CURRENT_LIST_DIR}/add_dialogs_host.cpp
                                         ${PROJECT_SOURCE_DIR}/setup/resources/setup.rc)
target_link_libraries(ql_add_dialogs_host PRIVATE qlflow)
target_link_options(ql_add_dialogs_host PRIVATE -municode)
target_compile_options(ql_add_dialogs_host PRIVATE $<$<COMPILE_LANGUAGE:RC>:-c65001>)

# ql_add_dialog_test(SCENARIO)
function(ql_add_dialog_test scenario)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/add_dialogs/${scenario})
  add_test(NAME e2e.add.${scenario}.package
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/add_dialogs_package.sh ${scenario} ${out}
                   ${QL_E2E_STANDINS} $<TARGET_FILE:ql_add_dialogs_host>)
  set_tests_properties(e2e.add.${scenario}.package PROPERTIES FIXTURES_SETUP e2e.add.${scenario})
  add_test(NAME e2e.add.${scenario}
           COMMAND ql_e2e_driver --package ${out}/package --timeout 60
                   --screenshots ${QL_E2E_SCREENSHOTS}/add.${scenario}
                   --script ${CMAKE_CURRENT_LIST_DIR}/steps/add-${scenario}.steps)
  set_tests_properties(e2e.add.${scenario} PROPERTIES FIXTURES_REQUIRED e2e.add.${scenario}
                       FIXTURES_SETUP e2e.add.${scenario}.ran RUN_SERIAL TRUE TIMEOUT 120)
  add_test(NAME e2e.add.${scenario}.files
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/add_dialogs_check.sh ${out}
                   ${CMAKE_CURRENT_LIST_DIR}/add_dialogs/${scenario}.expected)
  set_tests_properties(e2e.add.${scenario}.files PROPERTIES
                       FIXTURES_REQUIRED "e2e.add.${scenario};e2e.add.${scenario}.ran")
endfunction()

# A plain word list renamed beside an existing file of its name, after a backup was chosen first.
ql_add_dialog_test(dictionary-plain)
# A backup: rewritten, "备份文件", the dictionaries before it deselected.
ql_add_dialog_test(dictionary-backup)
# No source, an unopenable source, a cancelled open dialog: told, and nothing added.
ql_add_dialog_test(dictionary-refusals)
# Fifty dictionaries: refused before the dialog opens.
ql_add_dialog_test(dictionary-full)
# A standalone scheme: the kind boxes' rules, two entries, a free folder beside an existing one.
ql_add_dialog_test(scheme-standalone)
# No kind, no room for two entries, no source, an escaping folder name; then the last place.
ql_add_dialog_test(scheme-refusals)
# Eighty schemes: refused before the dialog opens.
ql_add_dialog_test(scheme-full)
