# Plug-in libraries carry no "lib" prefix so that stored records name them as
# the user sees them ("Vistag"). Their own copies of the framework stay hidden:
# only the plain-named entry points are exported.
function(panelhost_add_plugin target kind)
    add_library(${target} MODULE ${ARGN})
    if(kind STREQUAL "component")
        set(subdir widgets_components_lib)
    elseif(kind STREQUAL "module")
        set(subdir modules_lib)
    else()
        message(FATAL_ERROR "unknown plug-in kind ${kind}")
    endif()
    set_target_properties(${target} PROPERTIES
        PREFIX ""
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON
        LIBRARY_OUTPUT_DIRECTORY ${PANELHOST_STAGE_DIR}/${subdir})
    install(TARGETS ${target} LIBRARY DESTINATION ${subdir})
endfunction()
