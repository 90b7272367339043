# cpack -G DEB (in the build folder): one Debian package with the library, the headers, the
# command and its manual page. Its dependencies are worked out by dpkg-shlibdeps from the
# libraries that the binaries link, so they name exactly the Debian packages needed.
set(CPACK_PACKAGE_NAME vximage)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "vxImage developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "image object with logo and text watermarks, JPEG thumbnails and crops, and its command")
set(CPACK_PACKAGE_DESCRIPTION "The Resize object loads JPEG, GIF, BMP and PNG pictures, stamps a PNG logo and a text \
with a soft shadow on them, and writes the marked picture, thumbnails and crops as JPEG files. The vximage command \
drives it from scripts, one at a time or over many inputs on several threads.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "vxImage developers <vximage@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
