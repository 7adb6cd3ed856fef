# The Debian package (./run package): everything "cmake --install" puts
# under /usr, with the dependencies dpkg-shlibdeps finds in the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cdburner)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "cdburner developers <${KQ_MAINTAINER_MAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CD image burner with an MD5 check, window and command line")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KQ_HOMEPAGE_URL})
set(CPACK_PACKAGE_DESCRIPTION [=[cdburner writes an ISO 9660 image onto a CD-R, Track-At-Once, after
comparing it with its .md5 companion file. It comes as a small window
(cdburner) and as a command line (cdburner-cli) that can burn onto several
recorders at once and verify the disc.

The package also holds a virtual recorder, an emulated drive that records
into a file, for trying the burner without a drive.]=])
include(CPack)
