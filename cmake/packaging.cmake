# Install rules and packages (cpack in the build tree).
#
# Linux: a Debian package, /usr/bin/lugtransfer and lugtransfer-ini, the README
# under /usr/share/doc/lugtransfer and the table definitions under
# /usr/share/lugtransfer/sql.
# Windows (the mingw-w64 cross-build): a ZIP with the two exes side by side,
# the install note, the README and the table definitions in sql\. The exes are
# linked statically and need no DLL beyond Windows' own, so nothing else goes
# into the archive.
include(GNUInstallDirs)

set(LUG_SQL_FILES ${CMAKE_SOURCE_DIR}/db/schema.sql ${CMAKE_SOURCE_DIR}/db/darvonix.sql)

if(WIN32)
  install(TARGETS lugtransfer lugtransfer-ini RUNTIME DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/INSTALL-windows.txt ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
  install(FILES ${LUG_SQL_FILES} DESTINATION sql)
else()
  install(TARGETS lugtransfer lugtransfer-ini RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${LUG_SQL_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME}/sql)
endif()

set(LUG_PACKAGE_MAINTAINER "lugtransfer developers <dev@lugtransfer.local>"
  CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "lugtransfer developers")
set(CPACK_PACKAGE_CONTACT "${LUG_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# one string, broken into lines as the Debian control file shows them
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "lugtransfer settles the daily time-account bookings of a time-management\n"
  "database (MariaDB) into transfer records and hands them over to the\n"
  "payroll system of an accounting circle, as a file or as staging tables.\n"
  "The time-management application starts it once per circle and\n"
  "accounting number.")
# no source packages: the sources are the repository
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LUG_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The MariaDB client library (libmariadb.so.3) comes from libmariadb3 on
  # Debian 12; the C and C++ runtimes are those of g++ 12 there.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmariadb3, libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1")
  set(CPACK_STRIP_FILES ON)
else()
  set(CPACK_GENERATOR TGZ)
endif()

include(CPack)
