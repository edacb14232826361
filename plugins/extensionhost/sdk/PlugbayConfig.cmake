# Builds an extension of the Plugbay module against an installed application
# folder:
#
#     find_package(Plugbay 1.0 REQUIRED PATHS <app>/modules_lib/PlugbayDir/sdk)
#     add_library(MyExtension MODULE ...)
#     target_link_libraries(MyExtension PRIVATE Plugbay::Interface)
#
# The extension then needs Plugbay.so by its SONAME, which the program has
# loaded by the time it loads the extension.
include(CMakeFindDependencyMacro)
find_dependency(Qt5 COMPONENTS Core Widgets)

get_filename_component(_plugbay_sdk_dir "${CMAKE_CURRENT_LIST_DIR}" ABSOLUTE)
get_filename_component(_plugbay_library "${_plugbay_sdk_dir}/../../Plugbay.so" ABSOLUTE)
if(NOT TARGET Plugbay::Interface)
    add_library(Plugbay::Interface SHARED IMPORTED)
    set_target_properties(Plugbay::Interface PROPERTIES
        IMPORTED_LOCATION "${_plugbay_library}"
        IMPORTED_SONAME "Plugbay.so"
        INTERFACE_INCLUDE_DIRECTORIES "${_plugbay_sdk_dir}/include"
        INTERFACE_LINK_LIBRARIES "Qt5::Core;Qt5::Widgets")
endif()
unset(_plugbay_sdk_dir)
unset(_plugbay_library)
set(Plugbay_FOUND TRUE)
