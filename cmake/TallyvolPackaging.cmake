# Debian packages (cpack -G DEB, or the `packages` target):
#   tallyvol          the program, its libraries, data and man page; no Qt, no display: what a
#                     file server running unattended jobs from cron needs
#   tallyvol-desktop  the window library and the Qt helper programs (desktop message boxes,
#                     HTML reports to PDF for printing); depends on tallyvol of the same version
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyvol)
set(CPACK_PACKAGE_VENDOR "Tallyvol developers")
set(CPACK_PACKAGE_CONTACT "Tallyvol developers <tallyvol@localhost>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}.${TALLYVOL_BUILD_NUMBER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program desktop)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program's own libraries live in a private directory that dpkg-shlibdeps must know.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/_CPack_Packages/Linux/DEB/${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-Linux/program/usr/${TALLYVOL_LIBRARY_INSTALL_DIR}
    ${CMAKE_BINARY_DIR}/lib)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME tallyvol)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "Tallyvol records how the disk space of directory trees changes over time: it scans a tree,
stores the size of every directory and the files by extension in a database (SQLite by
default; MariaDB/MySQL or SQL Server for a central store), and compares scans to alert through
a program, e-mail or syslog when a threshold is crossed. This package holds the program for
unattended runs from cron; tallyvol-desktop adds the window.")
# Stores other than the included SQLite file are reached through ODBC drivers; reports print
# through CUPS; alerts are scheduled with cron.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "libsqliteodbc, odbc-mariadb, cron")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS "tdsodbc, mariadb-client, cups-client, tallyvol-desktop")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME tallyvol-desktop)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "tallyvol (= ${CPACK_PACKAGE_VERSION})")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION "The Tallyvol window: the history of a directory tree in a grid, one column per scan, with
reports, a spreadsheet export with charts, and dialogs for alerts, preferences and the
database. Also the helper programs that show alert message boxes on the desktop and turn
HTML reports into PDF for printing.")

include(CPack)

add_custom_target(packages
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Making the Debian packages in ${CMAKE_BINARY_DIR}/packages"
    VERBATIM)
