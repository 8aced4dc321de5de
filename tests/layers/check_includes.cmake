# Fails when a source file includes a folder that is not below its own in the house:
#   vault < resources < platform < controls, dialogs, online < document < view < app
# and the CLI stands on the core alone.  The core includes no Qt header.
# Run as: cmake -DSOURCE_DIR=<src> -P check_includes.cmake
cmake_minimum_required(VERSION 3.25)

set(allowed_vault     vault)
set(allowed_resources resources vault)
set(allowed_platform  platform resources vault)
set(allowed_controls  controls platform resources vault)
set(allowed_dialogs   dialogs controls platform resources vault)
set(allowed_online    online platform resources vault)
set(allowed_document  document dialogs platform resources vault)
set(allowed_view      view document online dialogs controls platform resources vault)
set(allowed_app       app view document online dialogs controls platform resources vault)
set(allowed_cli       cli vault)
# The one way up: the document's KDBX export uses the writer that it shares with the CLI.
set(allowed_headers_document cli/kdbx_writer.h)
set(floors vault resources platform controls dialogs online document view app cli)

set(faults "")
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.inc)
foreach(source IN LISTS sources)
    string(REGEX MATCH "^[^/]+" floor "${source}")
    if(NOT floor IN_LIST floors)
        list(APPEND faults "${source}: a folder outside the house")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
        if(line MATCHES "#[ \t]*include[ \t]*\"(([a-z_]+)/[^\"]*)\"")
            set(target "${CMAKE_MATCH_2}")
            if(target IN_LIST floors AND NOT target IN_LIST allowed_${floor}
               AND NOT CMAKE_MATCH_1 IN_LIST allowed_headers_${floor})
                list(APPEND faults "${source}: includes ${target}/ from ${floor}/")
            endif()
        elseif(floor STREQUAL "vault" AND line MATCHES "#[ \t]*include[ \t]*<Q")
            list(APPEND faults "${source}: the core includes a Qt header")
        endif()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Includes that run upwards:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files, every include runs downwards")
