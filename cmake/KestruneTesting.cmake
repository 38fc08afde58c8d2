# Test programs: GoogleTest executables registered with CTest. In the Windows cross build they run
# under Wine through CMAKE_CROSSCOMPILING_EMULATOR (cmake/wine-emulator.sh).

include(GoogleTest)
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/test-output")

if(KESTRUNE_WINDOWS)
    # Debian ships GoogleTest as sources; cross-build them with the mingw toolchain.
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
        add_library(GTest::gmock ALIAS gmock)
    endif()
else()
    find_package(GTest REQUIRED)
endif()

# kestrune_add_test(NAME n SOURCES ... LIBS ... [LABELS ...] [SERIAL])
function(kestrune_add_test)
    cmake_parse_arguments(ARG "SERIAL" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT ARG_LABELS)
        set(ARG_LABELS unit)
    endif()
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    kestrune_target_defaults(${ARG_NAME})
    kestrune_static_runtime(${ARG_NAME})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
    target_compile_definitions(${ARG_NAME} PRIVATE
        KESTRUNE_PLUGIN_DIR="${KESTRUNE_PLUGIN_DIR}"
        KESTRUNE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        KESTRUNE_TEST_OUTPUT_DIR="${CMAKE_BINARY_DIR}/test-output")
    gtest_discover_tests(${ARG_NAME}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        WORKING_DIRECTORY "${CMAKE_BINARY_DIR}")
    # Labels and serial running are set on the discovered tests by a script that CTest reads after
    # the discovery script (gtest_discover_tests would flatten a list of labels into names).
    set(serial "")
    if(ARG_SERIAL)
        set(serial "RUN_SERIAL TRUE")
    endif()
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}_properties.cmake")
    file(WRITE "${script}"
        "foreach(test IN LISTS ${ARG_NAME}_TESTS)\n"
        "    set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${ARG_LABELS}\" ${serial})\n"
        "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()
