# The built VexilorHost program, started as a user starts it, under the virtual display
# with its window manager. The application's single-instance lock is machine-wide, so
# no two of these may run at once.

add_library (EndToEndNoEntryPoint MODULE EndToEndNoEntryPoint.c)
set_target_properties (EndToEndNoEntryPoint PROPERTIES PREFIX "" OUTPUT_NAME "NoEntryPoint")

# The time-probe plug-in, made to yield an instance only once per process: it passes
# the host's scan, and then the instance to play cannot be created.
add_library (OneInstancePlugin MODULE equipment/TimeProbePlugin.cpp)
target_include_directories (OneInstancePlugin BEFORE PRIVATE "${CMAKE_SOURCE_DIR}/config")
target_compile_definitions (OneInstancePlugin PRIVATE VEXILOR_ONE_INSTANCE_PER_PROCESS)
target_compile_options (OneInstancePlugin PRIVATE -Wno-cpp)   # fst.h's #warning lines
target_link_libraries (OneInstancePlugin PRIVATE vexilor_warnings)
set_target_properties (OneInstancePlugin PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")

vexilor_add_tests (EndToEndExitPathsTests SOURCES EndToEndExitPathsTests.cpp
    PROPERTIES RESOURCE_LOCK vexilor_binary TIMEOUT 180)
target_compile_definitions (EndToEndExitPathsTests PRIVATE
    VEXILOR_NO_ENTRY_POINT_LIBRARY="$<TARGET_FILE:EndToEndNoEntryPoint>"
    VEXILOR_ONE_INSTANCE_PLUGIN="$<TARGET_FILE:OneInstancePlugin>")
add_dependencies (EndToEndExitPathsTests EndToEndNoEntryPoint OneInstancePlugin)

# A held note ends when the keyboard focus moves, as it does to every new window the
# window manager shows: no test that opens windows may run beside this one.
vexilor_add_tests (EndToEndPlaysTests SOURCES EndToEndPlaysTests.cpp
    PROPERTIES RESOURCE_LOCK vexilor_binary RUN_SERIAL TRUE TIMEOUT 240)
target_compile_definitions (EndToEndPlaysTests PRIVATE
    VEXILOR_ARTIFACT_DIR="${CMAKE_BINARY_DIR}/artifacts")

# Some of these type keys into the host's window: keys go wherever the focus is, which
# any other test's new window may take.
vexilor_add_tests (EndToEndBadSettingsTests SOURCES EndToEndBadSettingsTests.cpp
    PROPERTIES RESOURCE_LOCK vexilor_binary RUN_SERIAL TRUE TIMEOUT 180)
