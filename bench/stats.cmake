# The history's benchmark: a long history read into the progress window, its time and memory.
# Built, never run by CTest.
add_executable(bench-history_load ${CMAKE_CURRENT_SOURCE_DIR}/history_load.cpp)
target_link_libraries(bench-history_load PRIVATE kazamina-progress)
