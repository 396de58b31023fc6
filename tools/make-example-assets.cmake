# The generator of the example demo's pictures and music. Run it from the
# source tree to remake examples/demo's assets:
#   build/make_example_assets examples/demo
add_executable(make_example_assets
  ${CMAKE_CURRENT_LIST_DIR}/make-example-assets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/make-example-assets-music.cpp
  ${CMAKE_CURRENT_LIST_DIR}/make-example-assets-scene.cpp)
target_link_libraries(make_example_assets PRIVATE dp_scene PNG::PNG PkgConfig::TURBOJPEG PkgConfig::SNDFILE)
