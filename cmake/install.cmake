# What `cmake --install` puts under the prefix:
#   lib/libvximage.so.1.0.0.1 (SONAME libvximage.so.1) and the libvximage.so link;
#   include/vximage/: module/iresize.h, gdi/vxgdi.h and the Win32-shaped headers of
#     platform/'s root that they include, so that -I<prefix>/include/vximage keeps the
#     project's own #include lines (#include "module/iresize.h");
#   bin/vximage and share/man/man1/vximage.1, made from its --help by help2man;
#   lib/pkgconfig/vximage.pc and lib/cmake/vximage/ (find_package(vximage) gives the
#     imported target vximage::vximage).
include(CMakePackageConfigHelpers)

set(VXIMAGE_INCLUDE_FOLDER ${CMAKE_INSTALL_INCLUDEDIR}/vximage)
set(VXIMAGE_CMAKE_FOLDER ${CMAKE_INSTALL_LIBDIR}/cmake/vximage)

install(TARGETS vximage EXPORT vximageTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(TARGETS vximage_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/module/iresize.h DESTINATION ${VXIMAGE_INCLUDE_FOLDER}/module COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/gdi/vxgdi.h DESTINATION ${VXIMAGE_INCLUDE_FOLDER}/gdi COMPONENT development)
install(FILES ${VXIMAGE_SDK_HEADERS} DESTINATION ${VXIMAGE_INCLUDE_FOLDER}/platform COMPONENT development)

# The package's files find the prefix from where they are, so that a copy moved elsewhere
# (or packaged for /usr) still works.
file(RELATIVE_PATH VXIMAGE_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig
  ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/vximage.pc.in ${PROJECT_BINARY_DIR}/vximage.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vximage.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

install(EXPORT vximageTargets NAMESPACE vximage:: DESTINATION ${VXIMAGE_CMAKE_FOLDER} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vximageConfig.cmake.in
  ${PROJECT_BINARY_DIR}/vximageConfig.cmake INSTALL_DESTINATION ${VXIMAGE_CMAKE_FOLDER})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vximageConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/vximageConfig.cmake ${PROJECT_BINARY_DIR}/vximageConfigVersion.cmake
  DESTINATION ${VXIMAGE_CMAKE_FOLDER} COMPONENT development)

# The manual page: the --help text, with the sections of cli/vximage.h2m around it.
find_program(VXIMAGE_HELP2MAN help2man)
if(VXIMAGE_HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
  set(man_page ${PROJECT_BINARY_DIR}/man/vximage.1)
  add_custom_command(OUTPUT ${man_page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
      ${VXIMAGE_HELP2MAN} --no-info --no-discard-stderr --section 1
      --name "stamp logos and text on pictures and write JPEG files, one script or a batch"
      --include ${PROJECT_SOURCE_DIR}/cli/vximage.h2m --output ${man_page} $<TARGET_FILE:vximage_cli>
    DEPENDS vximage_cli ${PROJECT_SOURCE_DIR}/cli/vximage.h2m
    COMMENT "help2man: vximage.1")
  add_custom_target(vximage_man ALL DEPENDS ${man_page})
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
else()
  message(STATUS "vximage: no help2man, so no manual page (scripts/setup.sh installs it)")
endif()
