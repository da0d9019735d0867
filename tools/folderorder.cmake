# Checks that the folders of the program include each other in one direction only:
#   adapter/ <- bus/ <- flash/, transfer/ <- oplist/ <- app/, cli/
# (telkor/, our adapter library, uses only adapter/'s declaration of the entries). A folder may
# include its own files and those of the folders it builds on, nothing else.
#   cmake -DSOURCE_DIR=<repository> -P tools/folderorder.cmake
cmake_minimum_required(VERSION 3.16)
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<repository> -P folderorder.cmake")
endif()

set(allowed_adapter adapter)
set(allowed_bus adapter bus)
set(allowed_flash adapter bus flash)
set(allowed_transfer adapter bus transfer)
set(allowed_oplist adapter bus transfer oplist)
set(allowed_app adapter bus flash transfer oplist app)
set(allowed_cli adapter bus flash transfer oplist cli)
set(allowed_telkor adapter telkor)
set(folders adapter bus flash transfer oplist app cli telkor)

set(problems "")
foreach(folder IN LISTS folders)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([a-z]+)/.*" "\\1" used "${line}")
            if(NOT used IN_LIST folders)
                continue()
            endif()
            if(NOT used IN_LIST allowed_${folder})
                file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
                string(STRIP "${line}" line)
                list(APPEND problems "${name}: ${line} (${folder}/ may not include ${used}/)")
            endif()
        endforeach()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Includes against the folders' order:\n  ${text}")
endif()
message(STATUS "The folders include each other in one direction only.")
