# Warnings are errors for every target of ours; call on each target we define.
function(vc_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wno-gnu-zero-variadic-macro-arguments)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC 12 misreports coroutine frames and Qt's containers.
        target_compile_options(${target} PRIVATE -Wno-mismatched-new-delete -Wno-maybe-uninitialized)
    else()
        target_compile_options(${target} PRIVATE -Wno-unknown-warning-option)
    endif()
    target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS
        QT_USE_QSTRINGBUILDER)
endfunction()

# A GUI-free library of one subsystem.
function(vc_add_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
    vc_target_defaults(${target})
endfunction()
