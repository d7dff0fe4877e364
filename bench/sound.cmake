# Sound benchmarks: key-effect latency into the mixer, and the UI-thread stall of a long MP3.
foreach(name sound_latency sound_stall)
    add_executable(bench-${name} ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
    target_link_libraries(bench-${name} PRIVATE kazamina)
endforeach()
