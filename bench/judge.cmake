# The judging benchmark: one key judged by the reading under a 10 000-row romaji table, and the
# table's loading. Built, never run by CTest.
add_executable(bench-judge_keys ${CMAKE_CURRENT_SOURCE_DIR}/judge_keys.cpp)
target_link_libraries(bench-judge_keys PRIVATE kazamina)
