# Fails when a file includes from a library folder above its own.
#
# Usage: cmake -DROOT=<source dir> -P LayeringCheck.cmake
#
# The folders form a stack, lowest first. A source or header in folder F
# (or in tests/F, bench/F, fuzz/F) may include "G/..." only when G is F or
# below it; a CMakeLists.txt there may name ${PROJECT_SOURCE_DIR}/G (a private
# include directory) under the same rule. Every violation is listed.
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
      if(targetRank GREATER rank)
        file(RELATIVE_PATH shown "${ROOT}" "${path}")
        message("${shown}: '${layer}' reaches up into '${target}': ${line}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "LayeringCheck: ${violations} upward reference(s); "
    "the stack, lowest first, is: ${LAYERS}")
endif()
message(STATUS "LayeringCheck: no folder reaches above its own")
