# Third-party libraries. scripts/setup-deps.sh installs them: Debian packages for the native
# build, Debian's sources (and one npm tarball) unpacked into .deps/ for the Windows build.

set(QV_DEPS_DIR ${PROJECT_SOURCE_DIR}/.deps CACHE PATH "Unpacked third-party sources")

# GoogleTest
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()

# SQLite with a page codec (SQLite3 Multiple Ciphers amalgamation), compiled once per build.
set(QV_SQLITE3MC_DIR ${QV_DEPS_DIR}/sqlite3mc)
if(EXISTS ${QV_SQLITE3MC_DIR}/sqlite3.c)
  add_library(sqlite3mc STATIC ${QV_SQLITE3MC_DIR}/sqlite3.c)
  target_include_directories(sqlite3mc SYSTEM PUBLIC ${QV_SQLITE3MC_DIR})
  target_compile_definitions(sqlite3mc PUBLIC SQLITE_HAS_CODEC=1 PRIVATE
    SQLITE_THREADSAFE=1 SQLITE_ENABLE_EXTFUNC=0 SQLITE_DQS=0 SQLITE_OMIT_LOAD_EXTENSION=0)
  set_source_files_properties(${QV_SQLITE3MC_DIR}/sqlite3.c PROPERTIES COMPILE_OPTIONS "-O2;-w")
  if(NOT WIN32)
    target_link_libraries(sqlite3mc PUBLIC ${CMAKE_DL_LIBS} pthread m)
  endif()
endif()

# pugixml
if(WIN32)
  file(GLOB QV_PUGIXML_SRC ${QV_DEPS_DIR}/pugixml/src/pugixml.cpp)
  if(QV_PUGIXML_SRC)
    add_library(pugixml STATIC ${QV_PUGIXML_SRC})
    target_include_directories(pugixml SYSTEM PUBLIC ${QV_DEPS_DIR}/pugixml/src)
    add_library(pugixml::pugixml ALIAS pugixml)
  endif()
else()
  find_package(pugixml QUIET)
endif()

# ODBC: unixODBC natively, odbc32 on Windows.
if(WIN32)
  add_library(qv_odbc INTERFACE)
  target_link_libraries(qv_odbc INTERFACE odbc32)
else()
  find_library(QV_ODBC_LIB odbc)
  add_library(qv_odbc INTERFACE)
  if(QV_ODBC_LIB)
    target_link_libraries(qv_odbc INTERFACE ${QV_ODBC_LIB})
  endif()
  # The sanitizer build keeps the driver manager's configuration library loaded to the end of
  # the process (the driver manager unloads it with the driver), so that LeakSanitizer can name
  # it in what it leaves allocated (scripts/sanitize-leaks.supp).
  find_library(QV_ODBCINST_LIB odbcinst)
  if(QV_SANITIZE AND QV_ODBCINST_LIB)
    target_link_libraries(qv_odbc INTERFACE
      -Wl,--push-state,--no-as-needed ${QV_ODBCINST_LIB} -Wl,--pop-state)
  endif()
endif()

# HTTP downloads: libcurl natively; the Windows build uses WinINet.
if(NOT WIN32)
  find_package(CURL REQUIRED)
endif()
