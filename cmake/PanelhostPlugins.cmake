# The component-library interface class is compiled into the host framework
# and, from the very same files, into every component library: host and
# library call each other's virtuals and connect each other's signals on it.
set(PANELHOST_COMPONENT_INTERFACE_DIR ${CMAKE_CURRENT_LIST_DIR}/../widgets)
set(PANELHOST_COMPONENT_INTERFACE_SOURCES
    ${PANELHOST_COMPONENT_INTERFACE_DIR}/xwidgetstandartcomponentbaseclass.h
    ${PANELHOST_COMPONENT_INTERFACE_DIR}/xwidgetstandartcomponentbaseclass.cpp)

# panelhost_add_component_interface(<target>)
#
# Gives a component library its own copy of the interface class. Component
# plug-ins made by panelhost_add_plugin get it already.
function(panelhost_add_component_interface target)
    target_sources(${target} PRIVATE ${PANELHOST_COMPONENT_INTERFACE_SOURCES})
    target_include_directories(${target} PRIVATE ${PANELHOST_COMPONENT_INTERFACE_DIR})
    target_link_libraries(${target} PRIVATE Qt5::Core Qt5::Gui Qt5::Widgets)
endfunction()

# panelhost_plugin_properties(<target>)
#
# Plug-in libraries carry no "lib" prefix so that stored records name them as
# the user sees them ("Vistag"). Their own copies of the framework stay hidden:
# only the plain-named entry points are exported.
function(panelhost_plugin_properties target)
    set_target_properties(${target} PROPERTIES
        PREFIX ""
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
endfunction()

function(panelhost_add_plugin target kind)
    add_library(${target} MODULE ${ARGN})
    if(kind STREQUAL "component")
        set(subdir widgets_components_lib)
        panelhost_add_component_interface(${target})
    elseif(kind STREQUAL "module")
        set(subdir modules_lib)
        # A module works on the host's widgets through its own copy of the
        # framework, built without scripting and editing dialogs.
        target_link_libraries(${target} PRIVATE widgets_reduced)
    else()
        message(FATAL_ERROR "unknown plug-in kind ${kind}")
    endif()
    panelhost_plugin_properties(${target})
    set_target_properties(${target} PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY ${PANELHOST_STAGE_DIR}/${subdir}
        PANELHOST_PLUGIN_DIR ${subdir})
    install(TARGETS ${target} LIBRARY DESTINATION ${subdir})
    add_dependencies(application ${target})
endfunction()

# panelhost_add_plugin_translations(<target> <ts files>...)
#
# Compiles a plug-in's own translations to where the host looks for them: a
# component library's into "widgets_components_lib/<target>Lng", a module
# library's into "modules_lib/<target>Dir/lng".
function(panelhost_add_plugin_translations target)
    get_target_property(subdir ${target} PANELHOST_PLUGIN_DIR)
    if(subdir STREQUAL "widgets_components_lib")
        set(lng_dir ${subdir}/${target}Lng)
    else()
        set(lng_dir ${subdir}/${target}Dir/lng)
    endif()
    set(ts_files)
    foreach(ts ${ARGN})
        get_filename_component(ts ${ts} ABSOLUTE)
        list(APPEND ts_files ${ts})
    endforeach()
    set_source_files_properties(${ts_files} PROPERTIES OUTPUT_LOCATION ${PANELHOST_STAGE_DIR}/${lng_dir})
    qt5_add_translation(qm_files ${ts_files})
    add_custom_target(${target}_translations ALL DEPENDS ${qm_files})
    add_dependencies(${target} ${target}_translations)
    install(FILES ${qm_files} DESTINATION ${lng_dir})
endfunction()
