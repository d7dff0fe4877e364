# The typing round's benchmarks: game-clock pace and per-key cost. Built, never run by CTest.
foreach(name round_pace round_keys)
    add_executable(bench-${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp
                                 ${CMAKE_CURRENT_SOURCE_DIR}/round_support.h)
    target_link_libraries(bench-${name} PRIVATE kazamina)
    target_compile_definitions(bench-${name} PRIVATE
        KAZAMINA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        KAZAMINA_GENERATED_MUSIC="${CMAKE_BINARY_DIR}/generated/music")
endforeach()
