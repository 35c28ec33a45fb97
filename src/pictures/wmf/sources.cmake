# The metafile renderer; included by the picture library's CMakeLists.
target_sources(plenarvo_pictures PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/player.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wmf.cpp)
