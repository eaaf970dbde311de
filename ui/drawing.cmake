# The painting of the record rows and the column header.
target_sources(morvane_ui PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/RecordDrawing.cpp)
