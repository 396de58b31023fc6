# Fails when a file reaches where it must not, naming file and line:
# - the folders form a stack, lowest first: a source or header in folder F
#   (or in tests/F, bench/F, fuzz/F) may include "G/..." only when G is F or
#   below it;
# - a library's private headers are its own: a CMakeLists.txt in F (or
#   tests/F, bench/F, fuzz/F) may name ${PROJECT_SOURCE_DIR}/G, G's private
#   include directory, only for G = F;
# - only the drawing door (gfx/) talks to the graphics API: no other
#   library folder calls gl*( or glu*( or includes <GL/...> (tests and
#   benchmarks may, to check the door against the driver);
# - inside gfx/, only the backends' files (named Gl*, Gles2* or
#   SharedDriverState) call the graphics API, and none of them includes the
#   door's own headers (Gfx.h, FrameTargets.h, MeshRecorder.h,
#   BatchBuilder.h): the door calls the backends, never the other way.
#
# Usage: cmake -DROOT=<source dir> -P LayeringCheck.cmake
set(LAYERS base data script timeline music scene gfx render effects app scenetool)

if(NOT ROOT)
  message(FATAL_ERROR "LayeringCheck: pass -DROOT=<source dir>")
endif()
list(JOIN LAYERS "|" layerAlternatives)

set(violations 0)
foreach(layer IN LISTS LAYERS)
  list(FIND LAYERS ${layer} rank)
  set(globs)
  foreach(prefix "" "tests/" "bench/" "fuzz/")
    foreach(ext cpp h txt)
      list(APPEND globs "${ROOT}/${prefix}${layer}/*.${ext}")
    endforeach()
  endforeach()
  file(GLOB_RECURSE files LIST_DIRECTORIES false ${globs})
  foreach(path IN LISTS files)
    if(path MATCHES "\\.txt$" AND NOT path MATCHES "/CMakeLists\\.txt$")
      continue()
    endif()
    file(STRINGS "${path}" lines REGEX "(#include[ \t]*[\"<](${layerAlternatives})/|PROJECT_SOURCE_DIR}/(${layerAlternatives})[/) \"])")
    foreach(line IN LISTS lines)
      if(line MATCHES "#include[ \t]*[\"<](${layerAlternatives})/")
        set(target ${CMAKE_MATCH_1})
      elseif(line MATCHES "PROJECT_SOURCE_DIR}/(${layerAlternatives})[/) \"]")
        set(target ${CMAKE_MATCH_1})
      endif()
      list(FIND LAYERS ${target} targetRank)
      file(RELATIVE_PATH shown "${ROOT}" "${path}")
      if(targetRank GREATER rank)
        message("${shown}: '${layer}' reaches up into '${target}': ${line}")
        math(EXPR violations "${violations} + 1")
      elseif(line MATCHES "PROJECT_SOURCE_DIR}/(${layerAlternatives})[/) \"]" AND
             NOT target STREQUAL layer)
        message("${shown}: '${layer}' reaches into the private folder of '${target}': ${line}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

# The graphics API behind the door: library sources only.
foreach(layer IN LISTS LAYERS)
  if(layer STREQUAL "gfx")
    continue()
  endif()
  file(GLOB_RECURSE sources LIST_DIRECTORIES false "${ROOT}/${layer}/*.cpp" "${ROOT}/${layer}/*.h")
  foreach(path IN LISTS sources)
    file(STRINGS "${path}" lines)
    set(number 0)
    foreach(line IN LISTS lines)
      math(EXPR number "${number} + 1")
      # Comments may name the calls they replace.
      string(REGEX REPLACE "//.*$" "" code "${line}")
      if(code MATCHES "(^|[^A-Za-z0-9_:.>])glu?[A-Z][A-Za-z0-9]*[ \t]*\\(" OR
         code MATCHES "#include[ \t]*<GL/")
        file(RELATIVE_PATH shown "${ROOT}" "${path}")
        message("${shown}:${number}: '${layer}' calls the graphics API outside gfx/: ${line}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

# Inside the door: the graphics API in the backends alone, and no backend
# reaching back into the door.
file(GLOB gfxFiles LIST_DIRECTORIES false "${ROOT}/gfx/*.cpp" "${ROOT}/gfx/*.h"
  "${ROOT}/gfx/include/gfx/*.h")
foreach(path IN LISTS gfxFiles)
  get_filename_component(name "${path}" NAME)
  set(backendFile FALSE)
  if(name MATCHES "^(Gl[A-Z0-9]|Gles2|SharedDriverState)")
    set(backendFile TRUE)
  endif()
  file(STRINGS "${path}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    string(REGEX REPLACE "//.*$" "" code "${line}")
    file(RELATIVE_PATH shown "${ROOT}" "${path}")
    if(NOT backendFile AND (code MATCHES "(^|[^A-Za-z0-9_:.>])glu?[A-Z][A-Za-z0-9]*[ \t]*\\(" OR
       code MATCHES "#include[ \t]*<(GL|GLES2)/"))
      message("${shown}:${number}: the door calls the graphics API outside a backend: ${line}")
      math(EXPR violations "${violations} + 1")
    endif()
    if(backendFile AND code MATCHES "#include[ \t]*\"(gfx/Gfx|FrameTargets|MeshRecorder|BatchBuilder)\\.h\"")
      message("${shown}:${number}: a backend includes the door: ${line}")
      math(EXPR violations "${violations} + 1")
    endif()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "LayeringCheck: ${violations} violation(s); "
    "the stack, lowest first, is: ${LAYERS}")
endif()
message(STATUS "LayeringCheck: no folder reaches above its own or into another's private "
  "folder, and only gfx/ calls the graphics API")
