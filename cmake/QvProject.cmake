# Helpers shared by every folder of the project.

if(WIN32)
  set(QV_WINDOWS ON)
else()
  set(QV_WINDOWS OFF)
endif()

if(MSVC)
  set(QV_WARNINGS /W4)
else()
  set(QV_WARNINGS -Wall -Wextra -Wno-unused-parameter)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND QV_WARNINGS -Wno-format-truncation)
  endif()
endif()

# Sanitizers for the native build: QV_SANITIZE=address,undefined (scripts/test.sh --sanitize).
# Every sanitizer report stops the program, so a finding fails the test that met it.
# Its build type "Sanitize" optimises lightly and keeps line tables only, for readable reports
# at a fraction of a full debug build's compile time.
set(QV_SANITIZE "" CACHE STRING "Sanitizers for the native build (comma separated)")
set(CMAKE_C_FLAGS_SANITIZE "-O1 -gline-tables-only" CACHE STRING "C flags of the Sanitize build type")
set(CMAKE_CXX_FLAGS_SANITIZE "-O1 -gline-tables-only" CACHE STRING "C++ flags of the Sanitize build type")
if(QV_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=${QV_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${QV_SANITIZE} -fno-sanitize-recover=all)
endif()

# Fuzz targets (fuzz/, libFuzzer): clang only. Every library is built with the fuzzer's
# coverage instrumentation, so the same tree also serves the sanitizer test run.
option(QV_FUZZ "Build the fuzz targets of fuzz/ (clang's libFuzzer)" OFF)
if(QV_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(WARNING "QV_FUZZ needs clang; the fuzz targets are not built")
  set(QV_FUZZ OFF)
endif()
if(QV_FUZZ AND NOT WIN32)
  add_compile_options(-fsanitize=fuzzer-no-link)
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

# qv_test_data_sources(<test name> <test executable>)
# Lets a test register ODBC data sources of the SQLite ODBC driver (testsupport/TestDataSources.h):
# a throwaway ini file named by ODBCINI in the test's environment, temporary folders the
# Linux-side driver can reach (drive Z: under Wine), and the strict double-quote SQLite extension
# that makes the demo SIS reject unknown column names as a real SIS does. The driver loads the
# extension on the Linux side, so the Windows build compiles the same source with the host's C
# compiler, once, into its own binary folder.
function(qv_test_data_sources test exe)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
    "ODBCINI=${CMAKE_CURRENT_BINARY_DIR}/${test}-tests-odbc.ini")
  set(source ${PROJECT_SOURCE_DIR}/tools/demosis/SisDqsExtension.c)
  if(WIN32)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "QV_TEST_TMP=Z:\\tmp")
    if(NOT TARGET qv_host_sisdqs)
      find_program(QV_HOST_CC NAMES cc gcc)
      set(output ${PROJECT_BINARY_DIR}/host/libqv_sisdqs.so)
      add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/host
        COMMAND ${QV_HOST_CC} -shared -fPIC -O2 -fvisibility=hidden -I${QV_SQLITE3MC_DIR}
                -o ${output} ${source}
        DEPENDS ${source}
        COMMENT "Host build of the strict double-quote SQLite extension")
      add_custom_target(qv_host_sisdqs DEPENDS ${output})
      set_property(GLOBAL PROPERTY QV_HOST_SISDQS ${output})
    endif()
    get_property(output GLOBAL PROPERTY QV_HOST_SISDQS)
    add_dependencies(${exe} qv_host_sisdqs)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "QV_SISDQS=${output}")
  else()
    # Resolved when the build is generated, after tools/ has defined the extension's target.
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "QV_SISDQS=$<TARGET_FILE:qv_sisdqs>")
    cmake_language(EVAL CODE "
      cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL add_dependencies [[${exe}]] qv_sisdqs)")
  endif()
endfunction()
