# The rendered icons in ICON_DIR, <size>x<size>.png for each of SIZES, read by
# ImageMagick (libpng checks every chunk and the compressed data): each is a
# PNG of its declared size with an alpha channel, transparent in the corner,
# opaque in the middle where the walker stands, and a picture rather than a
# flat fill.
cmake_minimum_required(VERSION 3.22)
find_program(IDENTIFY identify)
if(NOT IDENTIFY)
    message("SKIPPED: ImageMagick's identify is not installed (scripts/deps.sh installs it)")
    return()
endif()

foreach(size ${SIZES})
    set(icon ${ICON_DIR}/${size}x${size}.png)
    execute_process(
        COMMAND ${IDENTIFY} -format
                "%m %w %h %[channels] %k %[fx:p{0,0}.a] %[fx:p{w/2,h/2}.a>=0.5]" ${icon}
        RESULT_VARIABLE status OUTPUT_VARIABLE found ERROR_VARIABLE problems)
    if(NOT status EQUAL 0 OR NOT problems STREQUAL "")
        message(FATAL_ERROR "${icon} is not a readable PNG:\n${problems}")
    endif()
    if(NOT found MATCHES "^PNG ${size} ${size} srgba ([0-9]+) 0 1$")
        message(FATAL_ERROR "${icon}: '${found}', expected 'PNG ${size} ${size} srgba <colours> "
                            "0 1' (format, size, channels, colours, corner alpha, opaque middle)")
    endif()
    if(CMAKE_MATCH_1 LESS 8)
        message(FATAL_ERROR "${icon} has only ${CMAKE_MATCH_1} colours")
    endif()
endforeach()
