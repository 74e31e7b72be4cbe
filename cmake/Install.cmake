# Installation: programs, the libraries with their public headers, a CMake package
# (find_package(KavoXM): KavoXM::kavoxm the C++ engine, KavoXM::kavoxm_c the shared C library,
# KavoXM::kavoxm_c_static the static one) and pkg-config files (kavoxm: the C library;
# kavoxm-cpp: the C++ engine).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
set(KAVOXM_INSTALLED_LIBRARIES kavoxm mmsystem kavoxm_warnings)
if(TARGET kavoxm_shared)
  list(APPEND KAVOXM_INSTALLED_LIBRARIES kavoxm_shared)
endif()
install(TARGETS ${KAVOXM_INSTALLED_LIBRARIES} EXPORT KavoXMTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/KavoXM/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/KavoXM
        FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/MMSystem/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/MMSystem
        FILES_MATCHING PATTERN "*.h" PATTERN "common" EXCLUDE PATTERN "posix" EXCLUDE
        PATTERN "win" EXCLUDE)
install(EXPORT KavoXMTargets NAMESPACE KavoXM:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KavoXM)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KavoXMConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KavoXMConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KavoXM)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KavoXMConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KavoXMConfig.cmake
              ${PROJECT_BINARY_DIR}/KavoXMConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KavoXM)
if(WIN32)
  set(KAVOXM_PC_SYSTEM_LIBS "-lwinmm")
else()
  set(KAVOXM_PC_SYSTEM_LIBS "-lasound")
endif()
foreach(pc kavoxm kavoxm-cpp)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
# The Python module, where Debian's python3 finds it for the prefix (e.g. /usr/local).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/kavoxm
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/python3/dist-packages
        FILES_MATCHING PATTERN "*.py" PATTERN "__pycache__" EXCLUDE)
if(TARGET Ostrel)
  install(TARGETS Ostrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET kavoxm_tool)
  install(TARGETS kavoxm_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
