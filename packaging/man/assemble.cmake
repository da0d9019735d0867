# Builds a manual page: puts common.roff into the page and the install paths into both, then
# compresses it as Debian wants (gzip -9n: best compression, no name or time stamp).
#   cmake -DPAGE=kavris.1.in -DCOMMON=common.roff -DOUTPUT=kavris.1.gz -DPROJECT_VERSION=...
#         -DKAVRIS_LIBRARY_FROM_BIN=... -DKAVRIS_INSTALLED_LIBRARY=...
#         -DKAVRIS_INSTALLED_EXAMPLES=... -DKAVRIS_INSTALLED_UDEV_RULE=... -P assemble.cmake
file(READ "${COMMON}" common)
string(CONFIGURE "${common}" KAVRIS_MAN_COMMON @ONLY)
string(REGEX REPLACE "\n$" "" KAVRIS_MAN_COMMON "${KAVRIS_MAN_COMMON}")
string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
configure_file("${PAGE}" "${page}" @ONLY)
execute_process(COMMAND gzip -9n -c "${page}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip failed on ${page}")
endif()
