# Installing the program as a desktop application, and its Debian package:
#   cmake --install build/release --prefix ~/.local
#   (cd build/release && cpack -G DEB)
# Every file the desktop reads names the program by one id: org.tavrilo.Synth.

if(NOT TAVRILO_WITH_QT)
    return()
endif()

include(GNUInstallDirs)

set(TAVRILO_APP_ID org.tavrilo.Synth)
set(TAVRILO_ICON_SIZES 16 32 48 64 128 256)

# The theme's icons are drawn at build time by the program's own artwork code, one per size.
add_executable(tavrilo-icon-export ${PROJECT_SOURCE_DIR}/src/common/IconExport.cpp)
target_link_libraries(tavrilo-icon-export PRIVATE tavrilo_common_ui)
tavrilo_target_settings(tavrilo-icon-export)

set(_tavrilo_icon_dir ${PROJECT_BINARY_DIR}/icons/hicolor)
set(_tavrilo_icons "")
foreach(_size IN LISTS TAVRILO_ICON_SIZES)
    list(APPEND _tavrilo_icons ${_tavrilo_icon_dir}/${_size}x${_size}/apps/${TAVRILO_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${_tavrilo_icons}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
        $<TARGET_FILE:tavrilo-icon-export> ${_tavrilo_icon_dir} ${TAVRILO_APP_ID}
        ${TAVRILO_ICON_SIZES}
    DEPENDS tavrilo-icon-export
    COMMENT "Drawing the icon theme's pictures"
    VERBATIM)
add_custom_target(tavrilo-icons ALL DEPENDS ${_tavrilo_icons})

install(TARGETS tavrilo-synth RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TAVRILO_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TAVRILO_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${_tavrilo_icon_dir} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrilo-synth)

# The manual page and the package's changelog, compressed as Debian wants them: gzip -9 -n, with
# no name or time in the header, so that every build gives the same bytes.
set(_tavrilo_gzipped "")
foreach(_file tavrilo-synth.1 changelog)
    set(_out ${PROJECT_BINARY_DIR}/packaging/${_file})
    add_custom_command(OUTPUT ${_out}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/${_file} ${_out}
        COMMAND gzip -9nf ${_out}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${_file}
        VERBATIM)
    list(APPEND _tavrilo_gzipped ${_out}.gz)
endforeach()
add_custom_target(tavrilo-gzipped-docs ALL DEPENDS ${_tavrilo_gzipped})
install(FILES ${PROJECT_BINARY_DIR}/packaging/tavrilo-synth.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrilo-synth)

# The changelog's latest entry names the package's version and its maintainer: a new version
# needs a new entry first.
set(_changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_changelog})
file(STRINGS ${_changelog} _tavrilo_version LIMIT_COUNT 1 REGEX "^tavrilo-synth \\(")
file(STRINGS ${_changelog} _tavrilo_maintainer LIMIT_COUNT 1 REGEX "^ -- .+>  ")
string(REGEX REPLACE "^tavrilo-synth \\(([^)]+)\\).*" "\\1" _tavrilo_version "${_tavrilo_version}")
string(REGEX REPLACE "^ -- (.+>)  .*" "\\1" _tavrilo_maintainer "${_tavrilo_maintainer}")
if(NOT _tavrilo_version STREQUAL PROJECT_VERSION OR NOT _tavrilo_maintainer)
    message(FATAL_ERROR "packaging/changelog: its latest entry is for '${_tavrilo_version}', by "
        "'${_tavrilo_maintainer}'; the project is version ${PROJECT_VERSION}: add an entry")
endif()

# The Debian package: tavrilo-synth_<version>_<arch>.deb. dpkg-shlibdeps finds the libraries the
# program links (Qt 6 Widgets, SDL2, ...); the rest it loads at run time: Qt's xcb platform
# plugin and the Tahoma face of fonts-wine.
set(CPACK_PACKAGE_NAME tavrilo-synth)
set(CPACK_PACKAGE_VENDOR "the Tavrilo team")
set(CPACK_PACKAGE_CONTACT "${_tavrilo_maintainer}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drawing synthesizer and step sequencer")
# One line of the extended description is at most 80 characters wide.
set(CPACK_PACKAGE_DESCRIPTION "\
Pick a coloured chalk and draw on a black board: every stroke sets one setting
(pitch, waveforms, modulation, envelope, volume) of 32 steps that a step clock
plays in a loop. Panel windows show every setting as a slider, six slots keep
copies of the tune, and the computer keyboard plays notes too. It plays in
time with other programs through Ableton Link and MIDI.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wine")
include(CPack)
