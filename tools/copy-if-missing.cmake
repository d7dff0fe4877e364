# Copies every file of SRC into DST unless DST already holds a file of that name,
# so a rebuild never wipes a player's high scores or settings.
file(MAKE_DIRECTORY ${DST})
file(GLOB files RELATIVE ${SRC} ${SRC}/*)
foreach(f IN LISTS files)
    if(NOT EXISTS ${DST}/${f})
        file(COPY ${SRC}/${f} DESTINATION ${DST})
    endif()
endforeach()
