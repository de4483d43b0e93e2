cmake_minimum_required(VERSION 3.25)
# The layer check: every `#include "folder/..."` in src/ and tests/ must name a folder that
# the including file's folder may use. ARCHITECTURE.md's layer table is the one place the
# rule is written: each row whose first cell is a backquoted folder name lists, in its second
# cell, the backquoted folders it may use. A folder may always use itself; tests of a folder
# may use what the folder may use and the benchmark cases (bench), and the test support
# (tests/support) may use every folder. The files of bench/ are the folder bench.
#
#   cmake -DROOT=<repository> -P cmake/check_layers.cmake
#
# Fails (exit code 1) with one line per include that runs against the layers.
if(NOT ROOT)
    message(FATAL_ERROR "check_layers: set ROOT to the repository folder")
endif()

file(STRINGS "${ROOT}/ARCHITECTURE.md" lines)
set(layers "")
foreach(line IN LISTS lines)
    if(line MATCHES "^\\| *`([a-z]+)` *\\|([^|]*)\\|")
        set(layer "${CMAKE_MATCH_1}")
        string(REGEX MATCHALL "`[a-z]+`" uses "${CMAKE_MATCH_2}")
        string(REPLACE "`" "" uses "${uses}")
        list(APPEND layers "${layer}")
        set(allowed_${layer} "${layer};${uses}")
    endif()
endforeach()
list(LENGTH layers layer_count)
if(layer_count LESS 5)
    message(FATAL_ERROR "check_layers: no layer table found in ARCHITECTURE.md")
endif()
set(allowed_support "${layers};support")

set(violations 0)
file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/src/*.h" "${ROOT}/src/*.cpp"
     "${ROOT}/tests/*.h" "${ROOT}/tests/*.cpp" "${ROOT}/bench/*.h" "${ROOT}/bench/*.cpp")
foreach(source IN LISTS sources)
    if(source MATCHES "^bench/[^/]+$")
        set(folder bench)
    elseif(source MATCHES "^(src|tests)/([a-z]+)/")
        set(folder "${CMAKE_MATCH_2}")
    else()
        continue()
    endif()
    if(NOT DEFINED allowed_${folder})
        message(SEND_ERROR "${source}: the folder ${folder} is not in ARCHITECTURE.md's layer table")
        math(EXPR violations "${violations} + 1")
        continue()
    endif()
    file(STRINGS "${ROOT}/${source}" includes REGEX "^#include \"[a-z]+/")
    foreach(include IN LISTS includes)
        string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" used "${include}")
        list(FIND layers "${used}" known)
        if(known EQUAL -1 AND NOT used STREQUAL "support")
            continue()  # not one of the layers (a test's own helper folder, for example)
        endif()
        set(may_use "${allowed_${folder}}")
        if(source MATCHES "^tests/")
            list(APPEND may_use support bench)
        endif()
        list(FIND may_use "${used}" found)
        if(found EQUAL -1)
            message("${source}: ${include}: ${folder} may not use ${used}")
            math(EXPR violations "${violations} + 1")
        endif()
    endforeach()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "check_layers: ${violations} include(s) run against the layers of ARCHITECTURE.md")
endif()
list(JOIN layers ", " names)
message(STATUS "check_layers: every include keeps the layers (${names})")
