# The 32-bit call thunk of ql::SafeExportCall, built for 32-bit x86 Linux with the cross compiler
# and run under the user-mode emulator, so the thunk is exercised on a machine that cannot run
# 32-bit Windows programs. Needs the packages g++-i686-linux-gnu and qemu-user-static.
find_program(QL_I686_LINUX_CXX i686-linux-gnu-g++)
find_program(QL_QEMU_I386 qemu-i386-static)
if(NOT QL_I686_LINUX_CXX OR NOT QL_QEMU_I386)
  message(STATUS "32-bit call thunk test skipped: needs i686-linux-gnu-g++ and qemu-i386-static")
  return()
endif()

set(sources
  ${CMAKE_CURRENT_SOURCE_DIR}/thunk_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/callees.cpp
  ${PROJECT_SOURCE_DIR}/setup/contracts/safe_call_i686.S
  ${PROJECT_SOURCE_DIR}/setup/contracts/safe_call_i686.cpp)
set(headers
  ${CMAKE_CURRENT_SOURCE_DIR}/callees.h
  ${PROJECT_SOURCE_DIR}/setup/contracts/safe_call.h)
set(program ${CMAKE_CURRENT_BINARY_DIR}/thunk_i686_test)
add_custom_command(
  OUTPUT ${program}
  COMMAND ${QL_I686_LINUX_CXX} -std=c++17 -O2 ${QL_WARNINGS} -static -I${PROJECT_SOURCE_DIR}
          ${sources} -o ${program}
  DEPENDS ${sources} ${headers}
  COMMENT "Building the 32-bit call thunk test for i686 Linux"
  VERBATIM)
add_custom_target(ql_thunk_i686_test ALL DEPENDS ${program})
add_test(NAME thunk_i686 COMMAND ${QL_QEMU_I386} ${program})
