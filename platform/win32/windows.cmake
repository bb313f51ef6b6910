# The Windows build: the plain C++ libraries of the top level, the Win32 implementation of the toolkit
# interface, psa-graph.exe and its tests (run under Wine here). Included by the top-level CMakeLists.txt.

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)

add_library(psa_platform_win32 STATIC
    platform/win32/dib_surface.cpp
    platform/win32/win32_dialogs.cpp
    platform/win32/win32_files.cpp
    platform/win32/win32_fonts.cpp
    platform/win32/win32_writers.cpp
)
target_include_directories(psa_platform_win32 PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(psa_platform_win32 PUBLIC psa_core gdi32 user32 comdlg32 PRIVATE psa_warnings)

if(PSA_BUILD_TESTS)
    enable_testing()
    add_subdirectory(tests/windows)
endif()
