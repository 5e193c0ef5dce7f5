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

# The *_core libraries hold the logic that lives without Qt: fail the configuration when one of
# them links Qt, directly or through another library.
function(_tavrilo_links_qt target out)
    set(${out} FALSE PARENT_SCOPE)
    if(NOT TARGET ${target})
        return()
    endif()
    get_target_property(_libs ${target} INTERFACE_LINK_LIBRARIES)
    foreach(_lib IN LISTS _libs)
        if(_lib MATCHES "^Qt")
            set(${out} TRUE PARENT_SCOPE)
            return()
        endif()
        _tavrilo_links_qt(${_lib} _nested)
        if(_nested)
            set(${out} TRUE PARENT_SCOPE)
            return()
        endif()
    endforeach()
endfunction()

function(tavrilo_check_core_without_qt)
    get_property(_dirs DIRECTORY ${PROJECT_SOURCE_DIR}/src PROPERTY SUBDIRECTORIES)
    foreach(_dir IN LISTS _dirs)
        get_property(_targets DIRECTORY ${_dir} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(_target IN LISTS _targets)
            if(_target MATCHES "_core$")
                _tavrilo_links_qt(${_target} _qt)
                if(_qt)
                    message(FATAL_ERROR "${_target} links Qt; the core libraries must not")
                endif()
            endif()
        endforeach()
    endforeach()
endfunction()
