# The Qt front end: the toolkit interface on Qt and the program put together on it. Included by the
# top-level CMakeLists.txt for every build but the Windows one.

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets PrintSupport Test)
qt_standard_project_setup()

# The Qt side without widgets: the drawing surface on a QImage and the files. Knows nothing of the program.
add_library(psa_platform_qt STATIC
    platform/qt/qt_surface.cpp
    platform/qt/qt_files.cpp
    platform/qt/posix_files.cpp
    platform/qt/native_path.cpp
    platform/qt/same_file.cpp
    platform/qt/standard_streams.cpp
)
target_link_libraries(psa_platform_qt PUBLIC psa_toolkit Qt6::Gui PRIVATE psa_numbers psa_warnings)

# The window: real widgets and Qt's dialogs, and the program put together.
add_library(psa_ui STATIC
    platform/qt/qt_dialogs.cpp
    platform/qt/qt_file_dialog.cpp
    platform/qt/application.cpp
    platform/qt/command_line.cpp
    platform/qt/form1_window.cpp
    platform/qt/form1_window_look.cpp
    platform/qt/graphical_button.cpp
    platform/qt/grid_cell.cpp
    platform/qt/picture_box.cpp
    platform/qt/graph_printing.cpp
)
target_link_libraries(psa_ui PUBLIC psa_app psa_platform_qt Qt6::Widgets Qt6::PrintSupport PRIVATE psa_warnings)
target_compile_definitions(psa_ui PRIVATE PSA_GRAPH_VERSION="${PROJECT_VERSION}")

qt_add_executable(psa-graph platform/qt/main.cpp)
target_link_libraries(psa-graph PRIVATE psa_ui psa_warnings)
set_target_properties(psa-graph PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# In the program, text goes between Qt's strings and bytes only where the code says in which encoding.
foreach(target psa_platform_qt psa_ui psa-graph)
    target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
endforeach()
