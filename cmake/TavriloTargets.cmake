# Compiler settings for the project's own targets only: warnings are errors here,
# never for the Qt, SDL or GoogleTest headers we include (they come in as system headers).

if(TAVRILO_SANITIZE)
    list(JOIN TAVRILO_SANITIZE "," _tavrilo_sanitizers)
    set(TAVRILO_SANITIZE_FLAGS -fsanitize=${_tavrilo_sanitizers} -fno-omit-frame-pointer
        -fno-sanitize-recover=all)
endif()

function(tavrilo_target_settings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
    get_target_property(_type ${target} TYPE)
    if(_type STREQUAL "EXECUTABLE")
        # Resolve every symbol at start-up: a lazy lookup on the audio thread would take the
        # dynamic linker's lock there, the first time a library function is called.
        target_link_options(${target} PRIVATE -Wl,-z,now)
    endif()
    if(TAVRILO_SANITIZE_FLAGS)
        target_compile_options(${target} PRIVATE ${TAVRILO_SANITIZE_FLAGS})
        target_link_options(${target} PRIVATE ${TAVRILO_SANITIZE_FLAGS})
    endif()
endfunction()

# A library of one subsystem folder. Sources are listed explicitly by the caller.
function(tavrilo_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
    tavrilo_target_settings(${target})
endfunction()
