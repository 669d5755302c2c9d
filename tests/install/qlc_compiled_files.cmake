# qlc compile on the sample package gives the files whose SHA-256 sums tests/qlc/compiled_files.sha256
# lists: the host build's qlc natively, the Windows build's qlc.exe under Wine. Both builds check the
# same list, so the Windows program compiles the same bytes as the host one.
set(QL_QLC_COMPILED_WORK ${CMAKE_CURRENT_BINARY_DIR}/qlc_compiled)
if(WIN32)
  add_test(NAME qlc_compiled_files
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/qlc/compiled_files.sh --wine ${QL_WINE_ARCH}
                   $<TARGET_FILE:qlc> ${PROJECT_SOURCE_DIR} ${QL_QLC_COMPILED_WORK})
  set_tests_properties(qlc_compiled_files PROPERTIES RUN_SERIAL TRUE TIMEOUT 300)
else()
  add_test(NAME qlc_compiled_files
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/qlc/compiled_files.sh $<TARGET_FILE:qlc>
                   ${PROJECT_SOURCE_DIR} ${QL_QLC_COMPILED_WORK})
endif()
