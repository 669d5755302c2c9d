# The settings dialog on its own, under Wine: ql_settings_host shows it for the names and schemes
# of a prepared setup.ini, the driver answers it by the steps of steps/settings-STEPS.steps, and
# what it left in the system's registry (settings-result.txt, written by the host) must equal
# settings/STEPS.expected.
add_executable(ql_settings_host ${CMAKE_CURRENT_LIST_DIR}/settings_host.cpp
                                ${PROJECT_SOURCE_DIR}/setup/resources/setup.rc)
target_link_libraries(ql_settings_host PRIVATE qlflow)
target_link_options(ql_settings_host PRIVATE -municode)
target_compile_options(ql_settings_host PRIVATE $<$<COMPILE_LANGUAGE:RC>:-c65001>)
file(GLOB ql_settings_resource_parts CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/setup/resources/*.rc
     ${PROJECT_SOURCE_DIR}/setup/resources/*.h)
set_source_files_properties(${PROJECT_SOURCE_DIR}/setup/resources/setup.rc PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/setup/resources/setup.manifest;${ql_settings_resource_parts}")

# ql_settings_test(NAME DISPLAY_NAME STEPS)
function(ql_settings_test name display_name steps)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/settings/${name})
  add_test(NAME e2e.settings.${name}.prepare
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/prepare-settings.sh ${out} ${display_name})
  set_tests_properties(e2e.settings.${name}.prepare PROPERTIES FIXTURES_SETUP e2e.settings.${name})
  add_test(NAME e2e.settings.${name}
           COMMAND ql_e2e_driver --package ${out} --setup $<TARGET_FILE:ql_settings_host>
                   --timeout 60 --screenshots ${QL_E2E_SCREENSHOTS}/settings.${name}
                   --script ${CMAKE_CURRENT_LIST_DIR}/steps/settings-${steps}.steps)
  set_tests_properties(e2e.settings.${name} PROPERTIES FIXTURES_REQUIRED e2e.settings.${name}
                       FIXTURES_SETUP e2e.settings.${name}.ran RUN_SERIAL TRUE TIMEOUT 120)
  add_test(NAME e2e.settings.${name}.registry
           COMMAND diff -u ${CMAKE_CURRENT_LIST_DIR}/settings/${steps}.expected
                   ${out}/settings-result.txt)
  set_tests_properties(e2e.settings.${name}.registry PROPERTIES
                       FIXTURES_REQUIRED "e2e.settings.${name};e2e.settings.${name}.ran")
endfunction()

# OK on the dialog as it opens, for a name without and with the brand word.
ql_settings_test(ok "青岚输入法平台" ok)
ql_settings_test(ok.brand "朔禾拼音 标准版" ok-brand)
# Every check box turned over and a radio button of each group moved.
ql_settings_test(every-control "青岚输入法平台" every-control)
# Selection keys typed, emptied and chosen from the list.
ql_settings_test(typed-keys "青岚输入法平台" typed-keys)
ql_settings_test(cancel "朔禾拼音 标准版" cancel)
ql_settings_test(close "青岚输入法平台" close)
