# The main window.
target_sources(morvane_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/ErrorReport.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/RecordList.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Unit1.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Unit1View.cpp
)
