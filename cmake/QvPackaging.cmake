# The installers. Their version is the project's (project(VERSION) in the top CMakeLists.txt).
#
# Windows build: target qv_msi writes QvMeridane-<version>-x64.msi with wixl (msitools) from
#   packaging/QvMeridane.wxs.in: the program, the user guide and its "AutoUp" data files under
#   Program Files.
# Native build: install rules for a Linux system (<prefix>/bin/QvMeridane, the data files in
#   <prefix>/share/qvmeridane/AutoUp, a manual page made by help2man from the help text, the
#   user guide in <prefix>/share/doc/qvmeridane) and
#   CPack's Debian package; target qv_deb_files builds what the package holds, then
#   "cpack -G DEB" packs it. scripts/package.sh does both.

set(QV_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QV_PACKAGE_OUT ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${QV_PACKAGE_OUT})

# The user guide MeridaneGuide.pdf, which both installers ship: docs/guide/build-guide.py
# turns the Markdown chapters of docs/guide into a PDF (python3-markdown and WeasyPrint, both
# run by Debian's python3). Its pictures are the window test's screenshots where that test
# has run (this build's, or build/windows' for the native build), else the copies kept in
# docs/guide/images. The target runs on every packaging; the script rebuilds the PDF only when
# an input changed, and a missing picture is a warning.
set(QV_GUIDE ${QV_PACKAGE_OUT}/MeridaneGuide.pdf)
find_program(QV_GUIDE_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT QV_GUIDE_PYTHON)
  set(QV_GUIDE_PYTHON python3)
endif()
add_custom_target(qv_guide
  COMMAND ${QV_GUIDE_PYTHON} ${PROJECT_SOURCE_DIR}/docs/guide/build-guide.py --out ${QV_GUIDE}
          --shots ${PROJECT_BINARY_DIR}/window-test/shots
          --shots ${PROJECT_SOURCE_DIR}/build/windows/window-test/shots
  BYPRODUCTS ${QV_GUIDE}
  COMMENT "User guide MeridaneGuide.pdf"
  VERBATIM)

if(WIN32)
  find_program(QV_WIXL wixl)
  find_program(QV_MSIBUILD msibuild)
  # wixl reads source paths relative to the folder it runs in (it refuses absolute ones).
  get_target_property(program_dir QvMeridane BINARY_DIR)
  file(RELATIVE_PATH QV_MSI_PROGRAM ${QV_PACKAGE_OUT} ${program_dir}/QvMeridane.exe)
  file(RELATIVE_PATH QV_AUTOUP_DIR ${QV_PACKAGE_OUT} ${PROJECT_SOURCE_DIR}/app/AutoUp)
  file(RELATIVE_PATH QV_MSI_GUIDE ${QV_PACKAGE_OUT} ${QV_GUIDE})
  configure_file(${QV_PACKAGING_DIR}/QvMeridane.wxs.in ${QV_PACKAGE_OUT}/QvMeridane.wxs @ONLY)
  set(msi QvMeridane-${PROJECT_VERSION}-x64.msi)
  if(QV_WIXL AND QV_MSIBUILD)
    file(GLOB autoup_files ${PROJECT_SOURCE_DIR}/app/AutoUp/*)
    add_custom_command(OUTPUT ${QV_PACKAGE_OUT}/${msi}
      COMMAND ${QV_WIXL} -a x64 -o ${msi} QvMeridane.wxs
      COMMAND sh ${QV_PACKAGING_DIR}/allow-same-version-upgrades.sh ${msi}
      DEPENDS QvMeridane qv_guide ${QV_GUIDE} ${QV_PACKAGE_OUT}/QvMeridane.wxs ${autoup_files}
              ${QV_PACKAGING_DIR}/allow-same-version-upgrades.sh
      WORKING_DIRECTORY ${QV_PACKAGE_OUT}
      COMMENT "Windows installer ${msi}")
    add_custom_target(qv_msi DEPENDS ${QV_PACKAGE_OUT}/${msi})
  else()
    add_custom_target(qv_msi
      COMMAND ${CMAKE_COMMAND} -E echo "wixl or msitools is missing: run scripts/setup-deps.sh"
      COMMAND ${CMAKE_COMMAND} -E false)
  endif()
  return()
endif()

include(GNUInstallDirs)
# The guide's build: pictures from screenshots or kept copies, rebuilt only when needed.
add_test(NAME package_guide
         COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/guide-test.sh ${PROJECT_BINARY_DIR}/guide-test)
set_tests_properties(package_guide PROPERTIES SKIP_RETURN_CODE 77 LABELS package)
# Packing builds only what it packs (qv_deb_files), not the tests and benchmarks of "all".
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS QvMeridane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/app/AutoUp DESTINATION ${QV_SHARED_DATA_DIR})

# The manual page, from "QvMeridane --help" and packaging/QvMeridane.h2m; and the Debian
# changelog and copyright. Debian wants both compressed with gzip -9n (no time stamp).
find_program(QV_HELP2MAN help2man)
find_program(QV_GZIP gzip)
string(TIMESTAMP QV_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${QV_PACKAGING_DIR}/debian/changelog.in ${QV_PACKAGE_OUT}/changelog @ONLY)
set(man ${QV_PACKAGE_OUT}/QvMeridane.1)
if(QV_HELP2MAN AND QV_GZIP)
  add_custom_command(OUTPUT ${man}.gz
    COMMAND ${QV_HELP2MAN} --no-info --version-string=${PROJECT_VERSION}
            "--name=extract a Meridane SIS into an import package"
            --include=${QV_PACKAGING_DIR}/QvMeridane.h2m --output=${man} $<TARGET_FILE:QvMeridane>
    COMMAND ${QV_GZIP} -9nf ${man}
    DEPENDS QvMeridane ${QV_PACKAGING_DIR}/QvMeridane.h2m
    COMMENT "Manual page QvMeridane.1")
  add_custom_command(OUTPUT ${QV_PACKAGE_OUT}/changelog.gz
    COMMAND ${QV_GZIP} -9nc changelog > changelog.gz
    DEPENDS ${QV_PACKAGE_OUT}/changelog
    WORKING_DIRECTORY ${QV_PACKAGE_OUT})
  add_custom_target(qv_deb_files DEPENDS QvMeridane qv_guide ${QV_GUIDE} ${man}.gz
                                         ${QV_PACKAGE_OUT}/changelog.gz)
else()
  add_custom_target(qv_deb_files
    COMMAND ${CMAKE_COMMAND} -E echo "help2man or gzip is missing: run scripts/setup-deps.sh"
    COMMAND ${CMAKE_COMMAND} -E false)
endif()
install(FILES ${man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QV_PACKAGE_OUT}/changelog.gz ${QV_PACKAGING_DIR}/debian/copyright ${QV_GUIDE}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/qvmeridane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qvmeridane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velkstrom Software")
set(CPACK_PACKAGE_CONTACT "Velkstrom Support <support@velkstrom.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "extract a Meridane SIS into an import package")
set(CPACK_PACKAGE_DESCRIPTION "The Velkstrom Data Extractor for Meridane reads one school's data from the
Meridane student information system over ODBC and writes the import package
(plain-text files) of the Quorvane Connect family. Attendance goes as changes
only, remembered in a small encrypted store in the import folder.

This package holds the command-line program for nightly runs on a Linux
server; the window for setting up schools belongs to the Windows build.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QV_PRODUCT_WEBSITE})
# The linked libraries (the ODBC driver manager libodbc2, libcurl, pugixml, the C++ runtime)
# come from dpkg-shlibdeps; unixODBC's tools register and test the data sources.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "unixodbc")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libsqliteodbc, odbc-postgresql")
set(CPACK_PACKAGE_DIRECTORY ${QV_PACKAGE_OUT})
include(CPack)
