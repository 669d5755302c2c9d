# The life cycle: unattended installation, Programs and Features, the uninstaller (lifecycle.sh
# says what each scenario proves). They share the prefix, so they run alone.
foreach(scenario remove keepdata two in-use confirm same refused)
  add_test(NAME e2e.lifecycle.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/lifecycle.sh ${scenario} ${QL_WINE_ARCH}
                   ${CMAKE_BINARY_DIR} ${QL_E2E_PACKAGES}/lifecycle-${scenario})
  set_tests_properties(e2e.lifecycle.${scenario} PROPERTIES RUN_SERIAL TRUE TIMEOUT 300)
endforeach()
