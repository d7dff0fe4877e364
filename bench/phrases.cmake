# The phrase pack benchmark: reading and spelling a full 10 000-phrase pack. Built, never run by
# CTest.
add_executable(bench-phrase_pack ${CMAKE_CURRENT_SOURCE_DIR}/phrase_pack.cpp)
target_link_libraries(bench-phrase_pack PRIVATE kazamina)
target_compile_definitions(bench-phrase_pack PRIVATE KAZAMINA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
