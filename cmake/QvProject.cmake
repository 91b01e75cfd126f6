# Helpers shared by every folder of the project.

if(WIN32)
  set(QV_WINDOWS ON)
else()
  set(QV_WINDOWS OFF)
endif()

if(MSVC)
  set(QV_WARNINGS /W4)
else()
  set(QV_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wno-format-truncation)
endif()

# Sanitizers for the native build: QV_SANITIZE=address,undefined
set(QV_SANITIZE "" CACHE STRING "Sanitizers for the native build (comma separated)")
if(QV_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=${QV_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${QV_SANITIZE})
endif()

if(WIN32)
  # The executables run under Wine and on school servers without MinGW's DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# qv_add_library(<name> [DEPS <targets>...])
# One library per folder: every .cpp of the folder (tests/ excluded), headers included from the
# project root as "folder/Header.h".
function(qv_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${QV_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# qv_add_tests(<name> [LABEL <label>] [DEPS <targets>...])
# One test executable per folder, built from <folder>/tests/*.cpp, registered as one CTest test
# labelled with the folder's name (LABEL, for a subfolder that reports under its parent).
# One process per folder keeps Wine's start-up cost to one per suite on the Windows build.
function(qv_add_tests name)
  cmake_parse_arguments(ARG "" "LABEL" "DEPS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL ${name})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(exe ${name}_tests)
  add_executable(${exe} ${sources})
  target_link_libraries(${exe} PRIVATE ${ARG_DEPS} qv_testsupport GTest::gtest_main)
  target_compile_options(${exe} PRIVATE ${QV_WARNINGS})
  add_test(NAME ${name} COMMAND ${exe} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 900
    ENVIRONMENT "QV_SOURCE_DIR=${PROJECT_SOURCE_DIR};QV_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
