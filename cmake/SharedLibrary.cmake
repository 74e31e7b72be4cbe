# The shared C library: libkavoxm.so.MAJOR (a DLL with its import library on Windows). It holds
# the C API and the parts of the engine it reaches; only the kavoxm_* functions are exported.
file(GLOB KAVOXM_CAPI_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/KavoXM/capi/*.cpp)
if(NOT KAVOXM_CAPI_SOURCES OR KAVOXM_BUILD_FUZZ)
  return() # the fuzzers' instrumented builds link only the static engine
endif()
add_library(kavoxm_shared SHARED ${KAVOXM_CAPI_SOURCES})
add_library(KavoXM::kavoxm_c ALIAS kavoxm_shared)
set_target_properties(kavoxm_shared PROPERTIES
  OUTPUT_NAME kavoxm EXPORT_NAME kavoxm_c
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(kavoxm_shared PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
  $<INSTALL_INTERFACE:include>)
target_compile_definitions(kavoxm_shared PRIVATE KAVOXM_BUILDING_SHARED)
target_link_libraries(kavoxm_shared PRIVATE kavoxm kavoxm_warnings)
if(WIN32)
  # The C++ runtime and winpthread go inside the DLL: it needs only system DLLs. The .def file
  # lists its exports, for hosts whose linkers make their own import library (MSVC's lib /def).
  target_link_options(kavoxm_shared PRIVATE -static -static-libgcc -static-libstdc++
                      -Wl,--output-def,${PROJECT_BINARY_DIR}/libkavoxm.def)
elseif(NOT APPLE)
  # The version script keeps the engine's and the C++ runtime's symbols local.
  set(KAVOXM_EXPORT_MAP ${PROJECT_SOURCE_DIR}/cmake/kavoxm.map)
  target_link_options(kavoxm_shared PRIVATE -Wl,--version-script=${KAVOXM_EXPORT_MAP}
                      -Wl,--exclude-libs,ALL -Wl,--no-undefined)
  set_property(TARGET kavoxm_shared APPEND PROPERTY LINK_DEPENDS ${KAVOXM_EXPORT_MAP})
endif()
