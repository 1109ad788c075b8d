# The built VexilorHost program, started as a user starts it, under the virtual display
# with its window manager. The application's single-instance lock is machine-wide, so
# no two of these may run at once.

add_library (EndToEndNoEntryPoint MODULE EndToEndNoEntryPoint.c)
set_target_properties (EndToEndNoEntryPoint PROPERTIES PREFIX "" OUTPUT_NAME "NoEntryPoint")

vexilor_add_tests (EndToEndExitPathsTests SOURCES EndToEndExitPathsTests.cpp
    PROPERTIES RESOURCE_LOCK vexilor_binary TIMEOUT 180)
target_compile_definitions (EndToEndExitPathsTests PRIVATE
    VEXILOR_NO_ENTRY_POINT_LIBRARY="$<TARGET_FILE:EndToEndNoEntryPoint>")
add_dependencies (EndToEndExitPathsTests EndToEndNoEntryPoint)

# A held note ends when the keyboard focus moves, as it does to every new window the
# window manager shows: no test that opens windows may run beside this one.
vexilor_add_tests (EndToEndPlaysTests SOURCES EndToEndPlaysTests.cpp
    PROPERTIES RESOURCE_LOCK vexilor_binary RUN_SERIAL TRUE TIMEOUT 240)
target_compile_definitions (EndToEndPlaysTests PRIVATE
    VEXILOR_ARTIFACT_DIR="${CMAKE_BINARY_DIR}/artifacts")

vexilor_add_tests (EndToEndBadSettingsTests SOURCES EndToEndBadSettingsTests.cpp
    PROPERTIES RESOURCE_LOCK vexilor_binary TIMEOUT 180)
