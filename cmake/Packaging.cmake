# Debian packages through CPack (cpack in a build configured with -DKAVOXM_DEBIAN=ON
# -DCMAKE_INSTALL_PREFIX=/usr -DKAVOXM_INSTALL_RPATH=OFF -DKAVOXM_DOCS=ON; scripts/package.sh
# does it): libkavoxm0 (the shared library), libkavoxm-dev (headers, static libraries, CMake and
# pkg-config files, the API reference, libkavoxm(3)) and kavoxm (the tool, Ostrel, their man
# pages and the completion). Dependencies come from the binaries (dpkg-shlibdeps) and the
# library's soname (a shlibs file).
option(KAVOXM_DEBIAN "Configure CPack for the Debian packages" OFF)
if(WIN32 OR NOT TARGET kavoxm_shared OR NOT KAVOXM_DEBIAN)
  return()
endif()
set(KAVOXM_DEB_PACKAGES lib libkavoxm${PROJECT_VERSION_MAJOR} dev libkavoxm-dev tool kavoxm)
# Every package carries its copyright and changelog, as Debian asks.
set(KAVOXM_DEB_CHANGELOG ${PROJECT_BINARY_DIR}/debian/changelog.gz)
string(TIMESTAMP KAVOXM_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${PROJECT_BINARY_DIR}/debian/changelog
     "kavoxm (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
     "  * Release ${PROJECT_VERSION}.\n\n"
     " -- KavoXM developers <kavoxm@example.invalid>  ${KAVOXM_DEB_DATE}\n")
execute_process(COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/debian/changelog)
while(KAVOXM_DEB_PACKAGES)
  list(POP_FRONT KAVOXM_DEB_PACKAGES component package)
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${KAVOXM_DEB_CHANGELOG}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endwhile()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavoxm)
set(CPACK_PACKAGE_VENDOR "KavoXM developers")
set(CPACK_PACKAGE_CONTACT "KavoXM developers <kavoxm@example.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL lib dev tool)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
# A shlibs file for the packages that hold shared libraries (libkavoxm0 only): hosts depend on
# libkavoxm0 (>= the version they were built with). ldconfig runs through dpkg's trigger; the
# maintainer scripts given here replace CPack's, which would call it themselves.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers
    ${PROJECT_SOURCE_DIR}/cmake/debian/postinst ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Device playback loads ALSA when it is there.
set(CPACK_DEBIAN_LIB_PACKAGE_RECOMMENDS libasound2)
set(CPACK_COMPONENT_LIB_DESCRIPTION
    "FastTracker 2 XM player library\n"
    "KavoXM loads FastTracker 2 Extended Module (XM) songs and renders them\n"
    "with exact integer mixing into the host's buffers at any rate, measures\n"
    "and seeks in them and reports what plays. This package holds the shared\n"
    "C library.")

set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS lib)
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "FastTracker 2 XM player library (development files)\n"
    "KavoXM loads FastTracker 2 Extended Module (XM) songs and renders them\n"
    "with exact integer mixing. This package holds the C header and the C++\n"
    "engine's headers, the static libraries, the CMake and pkg-config files,\n"
    "the API reference and libkavoxm(3).")

set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_TOOL_PACKAGE_RECOMMENDS libasound2)
set(CPACK_COMPONENT_TOOL_DESCRIPTION
    "FastTracker 2 XM player and renderer\n"
    "kavoxm shows what is in FastTracker 2 Extended Module (XM) files, traces\n"
    "their rows, renders them to WAV or FLAC files and plays them with a\n"
    "pattern view. Ostrel plays the song it carries, Sombrevallis.")
include(CPack)
