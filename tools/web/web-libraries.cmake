# The browser build's libraries. tools/build-web.sh builds zlib, libpng,
# libjpeg-turbo, FreeType, libopenmpt and libsndfile with emcc into DEMOPLAYER_WEB_PREFIX
# and configures with PKG_CONFIG_LIBDIR pointing into it. The targets made
# here carry the desktop build's names, so the libraries' CMake files link
# the same way in both builds.
set(DEMOPLAYER_WEB_PREFIX "" CACHE PATH "Where tools/build-web.sh installed the WebAssembly libraries")
if(NOT DEMOPLAYER_WEB_PREFIX)
  message(FATAL_ERROR "The browser build needs DEMOPLAYER_WEB_PREFIX; use tools/build-web.sh")
endif()
set(ENV{PKG_CONFIG_LIBDIR} "${DEMOPLAYER_WEB_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
# Emscripten's toolchain finds libraries only under its roots: the prefix
# is one more.
list(APPEND CMAKE_FIND_ROOT_PATH "${DEMOPLAYER_WEB_PREFIX}")

pkg_check_modules(WEB_ZLIB REQUIRED IMPORTED_TARGET GLOBAL zlib)
pkg_check_modules(WEB_PNG REQUIRED IMPORTED_TARGET GLOBAL libpng)
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET GLOBAL libturbojpeg)
pkg_check_modules(WEB_FREETYPE REQUIRED IMPORTED_TARGET GLOBAL freetype2)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET GLOBAL libopenmpt)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET GLOBAL sndfile)
add_library(ZLIB::ZLIB ALIAS PkgConfig::WEB_ZLIB)
add_library(PNG::PNG ALIAS PkgConfig::WEB_PNG)
add_library(Freetype::Freetype ALIAS PkgConfig::WEB_FREETYPE)

# The player catches exceptions (libopenmpt's loader faults, a shader the
# driver refuses); Emscripten only keeps catch blocks when asked.
# WebAssembly's own exception handling, as libopenmpt is built with: smaller
# and faster than Emscripten's JavaScript-based catching.
add_compile_options(-fwasm-exceptions)
add_link_options(-fwasm-exceptions)

# No threads in the page: a plain static server cannot send the headers
# shared memory needs, so pictures decode on the main thread.
find_package(Threads REQUIRED)

# The player's own link: WebGL 2 where the browser has it (ES 3 semantics),
# WebGL 1 otherwise; the browser calls the player's step once a frame
# (nothing waits inside the player, so no Asyncify); the page calls main
# itself once the demo's files are in the virtual file system. The link's
# optimisation is for size (the sources keep theirs): the page's download.
function(dp_web_player_link_options target)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME player SUFFIX ".js")
  target_link_options(${target} PRIVATE
    -Os -sMODULARIZE=1 -sEXPORT_NAME=createPlayer
    -sINVOKE_RUN=0 -sEXIT_RUNTIME=1
    -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB
    -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=2
    -sFORCE_FILESYSTEM=1
    "-sEXPORTED_RUNTIME_METHODS=[FS,callMain]"
    "-sEXPORTED_FUNCTIONS=[_main,_dp_web_music_time,_dp_web_loading]"
    -sENVIRONMENT=web)
endfunction()
