include_guard(GLOBAL)
# The engine for the standalone players (Ostrel and the song-carrying stubs), built for size:
# the same sources as the libraries kavoxm and mmsystem, optimised for size, one function or
# datum per section so that the linker drops what these programs never call, and the mixing
# kernels of one computing path. They render the same samples as the full library. Only the
# Windows build is statically linked, so only there does this pay; elsewhere the programs use
# the ordinary library.
if(WIN32)
  get_target_property(kavoxm_small_engine_sources kavoxm SOURCES)
  get_target_property(kavoxm_small_device_sources mmsystem SOURCES)
  add_library(kavoxm_small STATIC ${kavoxm_small_engine_sources} ${kavoxm_small_device_sources})
  target_include_directories(kavoxm_small PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_features(kavoxm_small PUBLIC cxx_std_20)
  target_compile_definitions(kavoxm_small PUBLIC KAVOXM_STATIC PRIVATE KAVOXM_SINGLE_KERNEL_PATH)
  target_compile_options(kavoxm_small PRIVATE -Os -ffunction-sections -fdata-sections)
  # Only the loader throws (a song too large for memory) and catches; the code that plays
  # never throws, so it needs no unwinding tables.
  set(kavoxm_small_nothrow ${kavoxm_small_engine_sources} ${kavoxm_small_device_sources})
  list(FILTER kavoxm_small_nothrow EXCLUDE REGEX "/KavoXM/(module|capi)/")
  set_source_files_properties(${kavoxm_small_nothrow} PROPERTIES COMPILE_OPTIONS
                              "-fno-exceptions;-fno-asynchronous-unwind-tables")
  get_target_property(kavoxm_small_device_links mmsystem LINK_LIBRARIES)
  target_link_libraries(kavoxm_small PUBLIC ${kavoxm_small_device_links} Threads::Threads)
  # What a small program links: the engine above, the trimmed C++ runtime support, unused
  # sections dropped and the symbols stripped.
  add_library(kavoxm_small_program INTERFACE)
  target_link_libraries(kavoxm_small_program INTERFACE kavoxm_small)
  target_sources(kavoxm_small_program INTERFACE ${PROJECT_SOURCE_DIR}/Ostrel/LeanRuntime.cpp)
  target_compile_options(kavoxm_small_program INTERFACE -Os -ffunction-sections -fdata-sections)
  target_link_options(kavoxm_small_program INTERFACE -Wl,--gc-sections -s)
else()
  add_library(kavoxm_small_program INTERFACE)
  target_link_libraries(kavoxm_small_program INTERFACE kavoxm)
endif()
