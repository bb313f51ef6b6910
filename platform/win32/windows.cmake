# The Windows build: the plain C++ libraries of the top level, the Win32 implementation of the toolkit
# interface, psa-graph.exe and its tests (run under Wine here). Included by the top-level CMakeLists.txt.

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)

add_library(psa_platform_win32 STATIC
    platform/win32/dib_surface.cpp
    platform/win32/win32_dialogs.cpp
    platform/win32/win32_files.cpp
    platform/win32/win32_fonts.cpp
    platform/win32/win32_writers.cpp
    platform/win32/win32_window.cpp
    platform/win32/win32_controls.cpp
    platform/win32/win32_cells.cpp
    platform/win32/win32_events.cpp
    platform/win32/gdi_drawing.cpp
    platform/win32/win32_printing.cpp
)
# Knows nothing of the program but the toolkit interface, the number format and the printed page's layout.
target_link_libraries(psa_platform_win32 PUBLIC psa_toolkit psa_app gdi32 user32 comdlg32 PRIVATE psa_numbers psa_warnings)

# The icon, made from the project's SVG at build time: every size Windows asks for, in one .ico.
find_program(PSA_RSVG rsvg-convert REQUIRED)
find_program(PSA_IMAGEMAGICK NAMES convert-im6.q16 magick convert REQUIRED)
set(PSA_ICON ${CMAKE_BINARY_DIR}/psa-graph.ico)
set(psa_icon_pngs)
foreach(size 16 24 32 48 64 256)
    list(APPEND psa_icon_pngs ${CMAKE_BINARY_DIR}/icon-${size}.png)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/icon-${size}.png
        COMMAND ${PSA_RSVG} -w ${size} -h ${size} -o ${CMAKE_BINARY_DIR}/icon-${size}.png
            ${CMAKE_SOURCE_DIR}/packaging/psa-graph.svg
        DEPENDS ${CMAKE_SOURCE_DIR}/packaging/psa-graph.svg VERBATIM)
endforeach()
add_custom_command(OUTPUT ${PSA_ICON}
    COMMAND ${PSA_IMAGEMAGICK} ${psa_icon_pngs} ${PSA_ICON}
    DEPENDS ${psa_icon_pngs} VERBATIM)

set(PSA_MANIFEST ${CMAKE_SOURCE_DIR}/packaging/windows/psa-graph.exe.manifest)
configure_file(packaging/windows/psa-graph.rc.in ${CMAKE_BINARY_DIR}/psa-graph.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/psa-graph.rc PROPERTIES OBJECT_DEPENDS "${PSA_ICON};${PSA_MANIFEST}")

# One self-contained executable: the toolchain links the C++ runtime statically.
add_executable(psa-graph WIN32 platform/win32/main.cpp platform/win32/command_line.cpp ${CMAKE_BINARY_DIR}/psa-graph.rc)
# The link map's cross reference table shows what the program's code calls, which the stripped executable
# does not: the release check reads it.
target_link_options(psa-graph PRIVATE -municode -s LINKER:-Map=${CMAKE_BINARY_DIR}/psa-graph.map,--cref)
target_link_libraries(psa-graph PRIVATE psa_app psa_platform_win32 shell32 psa_warnings)
set_target_properties(psa-graph PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The files of the release beside the executable: the licence with Windows' line ends, for the installer, and
# the zip of psa-graph.exe. The zip's entry carries the release's date from the AppStream metadata, at midnight
# UTC, and no owner or extra times, so that it too is the same for every build of one commit.
file(STRINGS packaging/io.github.psa_graph.psa_graph.metainfo.xml psa_release
    REGEX "<release version=\"${PROJECT_VERSION}\" date=\"[0-9-]+\"")
if(NOT psa_release MATCHES "date=\"([0-9]+-[0-9]+-[0-9]+)\"")
    message(FATAL_ERROR "The AppStream metadata has no release ${PROJECT_VERSION} with its date")
endif()
set(PSA_RELEASE_DATE ${CMAKE_MATCH_1})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    packaging/io.github.psa_graph.psa_graph.metainfo.xml LICENSE)

file(READ LICENSE psa_license)
string(REPLACE "\n" "\r\n" psa_license "${psa_license}")
file(WRITE ${CMAKE_BINARY_DIR}/LICENSE.txt "${psa_license}")

find_program(PSA_ZIP zip REQUIRED)
set(PSA_ZIP_FILE ${CMAKE_BINARY_DIR}/psa-graph-${PROJECT_VERSION}-windows-x64.zip)
set(psa_zip_stage ${CMAKE_BINARY_DIR}/zip-stage)
add_custom_command(OUTPUT ${PSA_ZIP_FILE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${psa_zip_stage} ${PSA_ZIP_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${psa_zip_stage}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:psa-graph> ${psa_zip_stage}/psa-graph.exe
    COMMAND chmod 0644 ${psa_zip_stage}/psa-graph.exe
    COMMAND touch -d "${PSA_RELEASE_DATE} 00:00:00 UTC" ${psa_zip_stage}/psa-graph.exe
    COMMAND ${CMAKE_COMMAND} -E chdir ${psa_zip_stage} ${CMAKE_COMMAND} -E env TZ=UTC
        ${PSA_ZIP} -X -9 -q ${PSA_ZIP_FILE} psa-graph.exe
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${psa_zip_stage}
    DEPENDS psa-graph VERBATIM)
add_custom_target(psa-graph-zip ALL DEPENDS ${PSA_ZIP_FILE})

if(PSA_BUILD_TESTS)
    enable_testing()
    add_subdirectory(tests/windows)
    add_subdirectory(tests/cross)
endif()
