# Tests of the plug-in graph: the graph wrapper, the internal format, the play head
# and the audio path through them.

# The host's audio path, driven by a fake device: shared by these tests and the benchmark.
add_library (VexilorGraphTestEquipment STATIC
    equipment/PlayingGraph.cpp)
target_include_directories (VexilorGraphTestEquipment PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/equipment")
target_link_libraries (VexilorGraphTestEquipment PUBLIC VexilorHostCore PRIVATE vexilor_warnings)

# A framework-free VST 2 plug-in that records the host's answer to its time request.
add_library (TimeProbePlugin MODULE equipment/TimeProbePlugin.cpp)
target_include_directories (TimeProbePlugin BEFORE PRIVATE "${CMAKE_SOURCE_DIR}/config")
target_compile_options (TimeProbePlugin PRIVATE -Wno-cpp)   # fst.h's #warning lines
target_link_libraries (TimeProbePlugin PRIVATE vexilor_warnings)
set_target_properties (TimeProbePlugin PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")

vexilor_add_tests (GraphTests SOURCES GraphTests.cpp)

vexilor_add_tests (InternalPluginFormatTests SOURCES InternalPluginFormatTests.cpp)

vexilor_add_tests (PlayHeadTests SOURCES PlayHeadTests.cpp)
target_link_libraries (PlayHeadTests PRIVATE VexilorGraphTestEquipment ${CMAKE_DL_LIBS})
target_include_directories (PlayHeadTests BEFORE PRIVATE "${CMAKE_SOURCE_DIR}/config")   # our VST 2 headers, not the system's
target_compile_definitions (PlayHeadTests PRIVATE VEXILOR_TIME_PROBE="$<TARGET_FILE:TimeProbePlugin>")
add_dependencies (PlayHeadTests TimeProbePlugin)

vexilor_add_tests (GraphPlaybackTests SOURCES GraphPlaybackTests.cpp)
target_link_libraries (GraphPlaybackTests PRIVATE VexilorGraphTestEquipment)
