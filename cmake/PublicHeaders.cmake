# The public headers: the C API's header and the C++ engine's KavoXM/KavoXM.h with the project
# headers it includes, followed through their own includes. Everything else (the mixer's
# kernels, the C API's handle, the wave-out layer) stays out of the installation.
# kavoxm_public_headers(OUT_VAR ROOT...) sets OUT_VAR to the headers' paths relative to the
# source folder.
function(kavoxm_public_headers out)
  set(pending ${ARGN})
  set(found "")
  while(pending)
    list(POP_FRONT pending header)
    if(header IN_LIST found)
      continue()
    endif()
    list(APPEND found ${header})
    file(STRINGS ${PROJECT_SOURCE_DIR}/${header} lines REGEX "^#include \"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
      if(EXISTS ${PROJECT_SOURCE_DIR}/${included})
        list(APPEND pending ${included})
      endif()
    endforeach()
  endwhile()
  list(SORT found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()
