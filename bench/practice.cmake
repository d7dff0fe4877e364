# The weak-key practice benchmark: a simulated learner with and without the option. Built,
# never run by CTest.
add_executable(bench-practice_effect ${CMAKE_CURRENT_SOURCE_DIR}/practice_effect.cpp)
target_link_libraries(bench-practice_effect PRIVATE kazamina)
