# Installations end to end: setup.exe installs a package variant into a fresh target folder of the
# Wine prefix, driven through its dialogs; ql_e2e_inspect prepares the prefix beforehand and checks
# the folder, the system folder and the registry afterwards.
add_executable(ql_e2e_inspect install_inspect.cpp)
target_include_directories(ql_e2e_inspect PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(ql_e2e_inspect PRIVATE qlflow shell32 ole32 uuid version)
target_link_options(ql_e2e_inspect PRIVATE -municode)

# ql_install_test(NAME VARIANT STEPS INSTALL_NAME TARGET [SEED seeds...] [EXPECT what...]
#                 [DRIVER options...]): the package fixture, the prefix preparation, the driven
# run, then the expectations.
function(ql_install_test name variant steps install_name target)
  cmake_parse_arguments(PARSE_ARGV 5 arg "" "" "SEED;EXPECT;DRIVER")
  set(out ${QL_E2E_PACKAGES}/${name})
  add_test(NAME e2e.${name}.package
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/prepare-package.sh ${variant} ${out}
                   ${QL_E2E_STANDINS} $<TARGET_FILE:setup>)
  add_test(NAME e2e.${name}.prefix COMMAND ql_e2e_inspect prepare ${install_name} ${target} ${arg_SEED})
  set_tests_properties(e2e.${name}.package e2e.${name}.prefix PROPERTIES
                       FIXTURES_SETUP e2e.${name} RUN_SERIAL TRUE)
  add_test(NAME e2e.${name}
           COMMAND ql_e2e_driver --package ${out}/package --timeout 120
                   --screenshots ${QL_E2E_SCREENSHOTS}/${name}
                   --script ${CMAKE_CURRENT_SOURCE_DIR}/steps/${steps}.steps ${arg_DRIVER})
  set_tests_properties(e2e.${name} PROPERTIES FIXTURES_REQUIRED e2e.${name}
                       FIXTURES_SETUP e2e.${name}.run RUN_SERIAL TRUE TIMEOUT 180)
  add_test(NAME e2e.${name}.result
           COMMAND ql_e2e_inspect expect ${install_name} ${target} ${arg_EXPECT})
  set_tests_properties(e2e.${name}.result PROPERTIES FIXTURES_REQUIRED e2e.${name}.run
                       RUN_SERIAL TRUE)
endfunction()

set(QL_SAMPLE_NAME "青岚输入法平台 - 青岚拼音青岚形码")

# A fresh install of the sample package with its default choices: everything moves into the
# target, the data is compiled, the pinyin slot and the shape-code scheme's main slot are filled,
# the record, the layout and the module are in place.
ql_install_test(install.fresh sample install-fresh "${QL_SAMPLE_NAME}" "C:\\e2e\\fresh"
  EXPECT installed module-copied shortcuts 5 settings 11 fuzzy 010000011
         moved Z:${QL_E2E_PACKAGES}/install.fresh/package
         file "自定义输入\\zdybm.idx" file "自定义输入\\zdydw.idx"
         file "输入方案\\拼音\\qinglan.idx" file "输入方案\\拼音\\User.idx" file setup.ini
         slot 0 "输入方案\\拼音" slot 1 "输入方案\\形码" slot 4 -)
# A fresh install over an earlier installation whose dictionary folder holds an older 基本词库 and
# a word list of the user's: the package's folders merge into the existing ones, the new
# dictionary replaces the old one and is compiled, the user's file stays.
ql_install_test(install.over-earlier sample install-over-earlier "${QL_SAMPLE_NAME}" "C:\\e2e\\over"
  SEED file "文本词库\\基本词库.txt" "{词组}|旧词甲乙 5|" file "文本词库\\我的.txt" "我的词 1|"
  EXPECT installed phrase 我们 file "文本词库\\我的.txt"
         moved Z:${QL_E2E_PACKAGES}/install.over-earlier/package)
# An upgrade replaces the module only: nothing compiled, recorded or registered.
ql_install_test(install.upgrade sample install-upgrade "${QL_SAMPLE_NAME}" "C:\\e2e\\upgrade"
  EXPECT not-installed module-copied moved Z:${QL_E2E_PACKAGES}/install.upgrade/package)
# A drive root is refused before anything moves; setup then ends silently.
ql_install_test(install.root sample install-root "${QL_SAMPLE_NAME}" "C:\\e2e\\root"
  EXPECT not-installed no-file setup.ini)
# The Windows folder (typed as "C:\\windows\\.") is refused the same way: nothing is installed.
# (The test's own target is a folder of its own: the preparation empties it.)
ql_install_test(install.system-folder sample install-system-folder "${QL_SAMPLE_NAME}"
  "C:\\e2e\\sysfolder" EXPECT not-installed)
# Cancelling leaves everything as it was.
ql_install_test(install.cancel sample install-cancel "${QL_SAMPLE_NAME}" "C:\\e2e\\cancel"
  EXPECT not-installed no-file setup.ini)
# Settings of an earlier installation are kept: no questions, the default fuzzy pairs are on.
ql_install_test(install.kept-settings sample install-kept-settings "${QL_SAMPLE_NAME}"
  "C:\\e2e\\kept" SEED settings 61 EXPECT installed settings 61 fuzzy 010000011)
# The module of the name is running: the package is moved, nothing more.
ql_install_test(install.in-use sample install-in-use "${QL_SAMPLE_NAME}" "C:\\e2e\\inuse"
  SEED layout E0020804 QLBUSY.IME DRIVER --hold-mapping mvkorel6QLBUSY
  EXPECT file setup.ini no-file "词库\\cz.dat" moved Z:${QL_E2E_PACKAGES}/install.in-use/package)
# Pinyin not chosen: composed name and folder follow the marks; no index, a free pinyin slot. The
# settings dialog is cancelled: only "IMEIndex" joins the two punctuation values.
ql_install_test(install.no-pinyin sample install-no-pinyin "青岚输入法平台 - 青岚形码"
  "C:\\e2e\\nopinyin" EXPECT installed no-file "输入方案\\拼音\\qinglan.idx"
  slot 0 - slot 1 "输入方案\\形码" settings 3)
# A backup, a word list and a scheme added in the install dialog are installed with the rest.
ql_install_test(install.added added install-added "青岚输入法平台 - 青岚拼音青岚形码我的码"
  "C:\\e2e\\added" EXPECT installed phrase 老师开心 phrase 同事开心 phrase 老师同学
  file option.txt file sp.ini file "输入方案\\形码\\codeword.txt" slot 1 "输入方案\\形码"
  slot 2 "输入方案\\我的码" slot 4 - file "输入方案\\我的码\\mb.txt")
# Sixty values are not enough to keep: the settings dialog is asked, its fuzzy choice is written.
ql_install_test(install.settings-asked sample install-settings-asked "${QL_SAMPLE_NAME}"
  "C:\\e2e\\asked" SEED settings 60 EXPECT installed fuzzy 100000011)

# A full disk and a killed setup: the target on a small drive that fills at a sweep of steps of
# the compile, and reinstalls terminated at a sweep of moments; afterwards every data file left is
# whole by the project's decoders, and a failure was told.
foreach(mode full-disk killed)
  add_test(NAME e2e.faults.${mode}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/disk_faults.sh ${mode}
                   ${CMAKE_CURRENT_BINARY_DIR}/faults/${mode} ${QL_E2E_STANDINS}
                   $<TARGET_FILE:setup> $<TARGET_FILE:ql_e2e_driver>
                   $<TARGET_FILE:ql_e2e_inspect> ${QL_WINE_ARCH})
  set_tests_properties(e2e.faults.${mode} PROPERTIES RUN_SERIAL TRUE TIMEOUT 900
                       SKIP_RETURN_CODE 77)
endforeach()
