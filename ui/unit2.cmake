# The watch list editor dialog.
target_sources(morvane_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/Unit2.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Unit2.h
)
