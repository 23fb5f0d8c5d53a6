# Packages. On Windows one ZIP for a developer to ship from (cpack -G ZIP):
# bin/ with the DLL and the tools, lib/ with the import library, include/,
# share/rdstmc/ with the data, and the README and the licence at the top;
# every binary stripped. Elsewhere Debian packages from the install
# components (cpack -G DEB in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr):
#   librdstmc0     the shared library
#   librdstmc-dev  header, CMake package and pkg-config file
#   rdstmc-tools   rdstmc-monitor, rdstmc-emulator, rdstmc-convert, their
#                  manual pages and the bundled recording
#   python3-rdstmc the Python module (pure Python, on the C interface)
set(CPACK_PACKAGE_NAME rdstmc)
set(CPACK_PACKAGE_VENDOR "rdstmc developers")
set(CPACK_PACKAGE_CONTACT "rdstmc developers <rdstmc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "FM RDS and RDS-TMC receiver modules on a serial port")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_COMPONENTS_ALL lib dev tools)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  # The README and the LICENSE, with the data's notice, sit at the top.
  include(CPack)
  return()
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL lib dev tools python)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on the system's libraries come from dpkg-shlibdeps; the ones
# between our own packages are pinned to this exact version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
set(rdstmc_library_package librdstmc${RDSTMC_SOVERSION})

set(CPACK_DEBIAN_LIB_PACKAGE_NAME ${rdstmc_library_package})
set(CPACK_DEBIAN_LIB_DESCRIPTION "FM RDS and RDS-TMC receiver modules on a serial port - library
 rdstmc reads an RDS-TMC receiver module's sentences on a serial port, decodes
 frequency, quality, station name, radio text, alternative frequencies and
 clock time, hands raw TMC groups to the program, records and replays logs.")
set(CPACK_DEBIAN_LIB_PACKAGE_GENERATE_SHLIBS ON)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME librdstmc-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${rdstmc_library_package} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_DESCRIPTION "FM RDS and RDS-TMC receiver modules on a serial port - development files
 The header rdstmc.h, the CMake package (find_package(rdstmc)) and the
 pkg-config file for building programs against librdstmc.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME rdstmc-tools)
set(rdstmc_packages ${rdstmc_library_package} librdstmc-dev rdstmc-tools python3-rdstmc)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${rdstmc_library_package} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "FM RDS and RDS-TMC receiver modules on a serial port - tools
 rdstmc-monitor shows what a receiver (or a recording) reports, finds the
 line speed and lists serial ports; rdstmc-emulator plays a receiver on a
 pseudo-terminal; rdstmc-convert turns RDS Spy logs and hexadecimal group
 lists into recordings. With a synthetic sample recording.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-rdstmc)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, ${rdstmc_library_package} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "FM RDS and RDS-TMC receiver modules on a serial port - Python module
 The module rdstmc: a receiver as a context manager, callbacks as Python
 callables, decoded TMC messages as dataclasses, a recording's messages
 read offline, and the traffic picture. Pure Python on ctypes.")

# Each package says whose work it holds and under which licences.
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/copyright COPYONLY)
foreach(component package IN ZIP_LISTS CPACK_COMPONENTS_ALL rdstmc_packages)
  install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${component})
endforeach()

include(CPack)
