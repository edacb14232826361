# Sources are collected by pattern. A header added later is seen by CMake's
# re-run, but the Ninja rule of AUTOMOC only depends on the headers it knew,
# so the new class would stay without its moc code. A list of the target's
# sources, rewritten only when it changes, is made a dependency of the
# target's autogen step; an unchanged list keeps its time stamp, so a re-run
# of CMake with nothing added makes the build do nothing.
function(panelhost_autogen_tracks_sources target)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
    string(REPLACE ";" "\n" content "${ARGN}")
    set(content "${content}\n")
    set(previous "")
    if(EXISTS ${list_file})
        file(READ ${list_file} previous)
    endif()
    if(NOT previous STREQUAL content)
        file(WRITE ${list_file} "${content}")
    endif()
    set_property(TARGET ${target} APPEND PROPERTY AUTOGEN_TARGET_DEPENDS ${list_file})
endfunction()
