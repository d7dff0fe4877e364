# Benchmarks seen from an X display's side (XCB, with the XTEST and DAMAGE extensions):
# start-up to the first mapped window, and a key sent through the server to the damage it
# causes. Built, never run by CTest; left out where the extensions' headers are missing.
pkg_check_modules(XCB_BENCH IMPORTED_TARGET xcb xcb-xtest xcb-damage)
if(XCB_BENCH_FOUND)
    add_executable(bench-start_up ${CMAKE_CURRENT_SOURCE_DIR}/start_up.cpp)
    target_link_libraries(bench-start_up PRIVATE PkgConfig::XCB_BENCH)
    add_executable(bench-key_to_screen ${CMAKE_CURRENT_SOURCE_DIR}/key_to_screen.cpp
                                       ${CMAKE_CURRENT_SOURCE_DIR}/round_support.h)
    target_link_libraries(bench-key_to_screen PRIVATE kazamina PkgConfig::XCB_BENCH)
    target_compile_definitions(bench-key_to_screen PRIVATE
        KAZAMINA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        KAZAMINA_GENERATED_MUSIC="${CMAKE_BINARY_DIR}/generated/music")
else()
    message(STATUS "xcb-xtest or xcb-damage not found: no display benchmarks "
                   "(bash tools/install-deps.sh --dev)")
endif()
