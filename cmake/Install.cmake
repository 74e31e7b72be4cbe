# Installation: programs, the libraries with their public headers (cmake/PublicHeaders.cmake),
# a CMake package
# (find_package(KavoXM): KavoXM::kavoxm the C++ engine, KavoXM::kavoxm_c the shared C library,
# KavoXM::kavoxm_c_static the static one) and pkg-config files (kavoxm: the C library;
# kavoxm-cpp: the C++ engine).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
include(${PROJECT_SOURCE_DIR}/cmake/PublicHeaders.cmake)
# Installed programs find the shared library of their own prefix. Distribution packages, whose
# library lies on the system's search path, turn this off (Debian forbids such an rpath).
option(KAVOXM_INSTALL_RPATH "Installed programs look for libraries in ../LIBDIR" ON)
set(KAVOXM_INSTALLED_LIBRARIES kavoxm mmsystem kavoxm_warnings)
if(TARGET kavoxm_shared)
  list(APPEND KAVOXM_INSTALLED_LIBRARIES kavoxm_shared)
endif()
# Components, one per distribution package: lib (the shared library), dev (everything to build
# against it), tool (the programs and their documentation).
install(TARGETS ${KAVOXM_INSTALLED_LIBRARIES} EXPORT KavoXMTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
kavoxm_public_headers(KAVOXM_PUBLIC_HEADERS KavoXM/capi/kavoxm.h KavoXM/KavoXM.h)
foreach(header IN LISTS KAVOXM_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder}
          COMPONENT dev)
endforeach()
install(EXPORT KavoXMTargets NAMESPACE KavoXM:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KavoXM
        COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KavoXMConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KavoXMConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KavoXM)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KavoXMConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KavoXMConfig.cmake
              ${PROJECT_BINARY_DIR}/KavoXMConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KavoXM COMPONENT dev)
if(WIN32)
  set(KAVOXM_PC_SYSTEM_LIBS "-lwinmm")
else()
  list(TRANSFORM CMAKE_DL_LIBS PREPEND "-l" OUTPUT_VARIABLE KAVOXM_PC_SYSTEM_LIBS)
endif()
if(APPLE OR WIN32)
  set(KAVOXM_PC_AS_NEEDED "-lkavoxm")
else()
  set(KAVOXM_PC_AS_NEEDED "-Wl,--push-state,--as-needed -lkavoxm -Wl,--pop-state")
endif()
# The .pc files find their prefix from their own folder (relocatable, multiarch or not).
file(RELATIVE_PATH KAVOXM_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KAVOXM_PC_TO_PREFIX "${KAVOXM_PC_TO_PREFIX}")
foreach(pc kavoxm kavoxm-shared kavoxm-cpp)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT dev)
endforeach()
# The Python module, where python3 looks for the prefix's modules: Debian's system folder for
# /usr, its local one for /usr/local, and the standard site-packages of any other prefix (a
# virtual environment, or a prefix named in PYTHONPATH). The folder follows the prefix given at
# install time. Three levels above the module is the prefix's lib folder, where the module
# looks for the library too.
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_FOUND)
  set(KAVOXM_PYTHON_VERSION ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR})
else()
  set(KAVOXM_PYTHON_VERSION 3)
endif()
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(kavoxm_python lib/python3/dist-packages)
  elseif(CMAKE_INSTALL_PREFIX STREQUAL \"/usr/local\")
    set(kavoxm_python lib/python${KAVOXM_PYTHON_VERSION}/dist-packages)
  else()
    set(kavoxm_python lib/python${KAVOXM_PYTHON_VERSION}/site-packages)
  endif()
  file(INSTALL \"${PROJECT_SOURCE_DIR}/python/kavoxm\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/\${kavoxm_python}\"
       FILES_MATCHING PATTERN \"*.py\" PATTERN \"py.typed\" PATTERN \"__pycache__\" EXCLUDE)
" COMPONENT python)
foreach(program Ostrel kavoxm_tool)
  if(TARGET ${program})
    if(KAVOXM_INSTALL_RPATH AND NOT WIN32)
      set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    endif()
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  endif()
endforeach()
