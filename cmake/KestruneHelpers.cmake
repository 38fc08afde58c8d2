# Shared target settings and the plug-in library helper.

# Compiler settings every Kestrune target gets.
function(kestrune_target_defaults target)
    target_compile_features(${target} PUBLIC cxx_std_20)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -ffp-contract=off>)
    if(KESTRUNE_WERROR)
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-Werror>)
    endif()
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# Windows binaries carry their C and C++ runtimes so that they import system DLLs only.
function(kestrune_static_runtime target)
    if(KESTRUNE_WINDOWS)
        target_link_options(${target} PRIVATE -static)
    endif()
endfunction()

set(KESTRUNE_EXPORT_DIR "${CMAKE_CURRENT_LIST_DIR}/exports")

# kestrune_add_plugin(NAME n SOURCES ... LIBS ... [EXPORT main|VSTPluginMain|both])
# A plug-in library as hosts load it: no lib prefix, hidden symbols, only the entry exported.
function(kestrune_add_plugin)
    cmake_parse_arguments(ARG "" "NAME;EXPORT" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_EXPORT)
        set(ARG_EXPORT main)
    endif()
    add_library(${ARG_NAME} MODULE ${ARG_SOURCES})
    kestrune_target_defaults(${ARG_NAME})
    target_link_libraries(${ARG_NAME} PRIVATE kestrune_plugin_entry ${ARG_LIBS})
    set_target_properties(${ARG_NAME} PROPERTIES
        PREFIX ""
        CXX_VISIBILITY_PRESET hidden
        C_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON
        LIBRARY_OUTPUT_DIRECTORY "${KESTRUNE_PLUGIN_DIR}"
        RUNTIME_OUTPUT_DIRECTORY "${KESTRUNE_PLUGIN_DIR}")
    if(KESTRUNE_WINDOWS)
        target_sources(${ARG_NAME} PRIVATE "${KESTRUNE_EXPORT_DIR}/exports-${ARG_EXPORT}.def")
        kestrune_static_runtime(${ARG_NAME})
    else()
        target_link_options(${ARG_NAME} PRIVATE
            "LINKER:--version-script=${KESTRUNE_EXPORT_DIR}/exports-${ARG_EXPORT}.map"
            "LINKER:--no-undefined")
        set_property(TARGET ${ARG_NAME} APPEND PROPERTY LINK_DEPENDS
            "${KESTRUNE_EXPORT_DIR}/exports-${ARG_EXPORT}.map")
    endif()
endfunction()
