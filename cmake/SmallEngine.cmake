include_guard(GLOBAL)
# The engine for the standalone players (Ostrel and the song-carrying stubs), built for size:
# the same sources as the libraries kavoxm and mmsystem, optimised for size, one function or
# datum per section so that the linker drops what these programs never call, and the mixing
# kernels of one computing path. They render the same samples as the full library. Only the
# Windows build is statically linked, so only there does this pay; elsewhere the programs use
# the ordinary library.
#
# What else the Windows players leave out, and why they can:
# - The C API: they drive the engine's classes directly.
# - The virtual test device and its pump thread: tests select it in their own process; the
#   players reach WinMM directly (MMSystem/small/WaveOutDirect.cpp).
# - MinGW's POSIX thread emulation: the output thread, its lock and events are the system's own
#   (KAVOXM_WIN32_THREADS, KavoXM/player/PlatformThreads.h).
# - Exceptions and unwinding tables: nothing here catches, so a failure to allocate ends the
#   program where it would throw (as an uncaught exception would end it), and the unwinder
#   and its tables stay out (Ostrel/LeanRuntime.cpp).
# - Thread-safe local statics: the few function-local statics are set before a second thread
#   mixes, and the guard would link the POSIX thread emulation back in.
# - Base relocations: the programs load at their preferred address.
if(WIN32)
  get_target_property(kavoxm_small_engine_sources kavoxm SOURCES)
  get_target_property(kavoxm_small_device_sources mmsystem SOURCES)
  list(FILTER kavoxm_small_engine_sources EXCLUDE REGEX "/KavoXM/capi/")
  list(FILTER kavoxm_small_device_sources EXCLUDE REGEX "/MMSystem/(common/|win/WaveOut)")
  list(APPEND kavoxm_small_device_sources ${PROJECT_SOURCE_DIR}/MMSystem/small/WaveOutDirect.cpp)
  add_library(kavoxm_small STATIC ${kavoxm_small_engine_sources} ${kavoxm_small_device_sources})
  target_include_directories(kavoxm_small PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_features(kavoxm_small PUBLIC cxx_std_20)
  target_compile_definitions(kavoxm_small PUBLIC KAVOXM_STATIC KAVOXM_WIN32_THREADS
                             PRIVATE KAVOXM_SINGLE_KERNEL_PATH)
  set(kavoxm_small_flags -Os -ffunction-sections -fdata-sections -fno-exceptions
                         -fno-asynchronous-unwind-tables -fno-threadsafe-statics)
  target_compile_options(kavoxm_small PUBLIC ${kavoxm_small_flags})
  target_link_libraries(kavoxm_small PUBLIC winmm)
  # What a small program links: the engine above, the trimmed C++ runtime support, unused
  # sections dropped and the symbols stripped.
  add_library(kavoxm_small_program INTERFACE)
  target_link_libraries(kavoxm_small_program INTERFACE kavoxm_small)
  target_sources(kavoxm_small_program INTERFACE ${PROJECT_SOURCE_DIR}/Ostrel/LeanRuntime.cpp)
  target_link_options(kavoxm_small_program INTERFACE -Wl,--gc-sections -s
                      -Wl,--disable-reloc-section)
else()
  add_library(kavoxm_small_program INTERFACE)
  target_link_libraries(kavoxm_small_program INTERFACE kavoxm)
endif()
