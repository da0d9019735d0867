# Fails unless the dynamic symbols that LIBRARY defines are exactly EXPECTED (comma-separated).
#   cmake -DNM=nm -DLIBRARY=libTELKOR.so -DEXPECTED=AdapterScan,... -P exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
    OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} -D --defined-only ${LIBRARY} failed")
endif()
# "0000000000012340 T SpiWrite": the name is the last field of each line.
string(REGEX MATCHALL "[^ \n]+\n" names "${listing}\n")
set(exported)
foreach(name ${names})
    string(STRIP "${name}" name)
    list(APPEND exported ${name})
endforeach()
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT exported)
list(SORT expected)
set(extra ${exported})
list(REMOVE_ITEM extra ${expected})
set(missing ${expected})
list(REMOVE_ITEM missing ${exported})
if(extra OR missing)
    message(FATAL_ERROR "${LIBRARY} exports more or less than it should:\n"
                        "  not to be exported: ${extra}\n  missing: ${missing}\n"
                        "nm -D --defined-only:\n${listing}")
endif()
message(STATUS "${LIBRARY} exports exactly: ${exported}")
