# The host application driven in process: each test makes its own application object,
# with a home folder of its own, and runs the message loop itself.
vexilor_add_tests (StartupTests SOURCES StartupTests.cpp)
vexilor_add_tests (MainWindowTests SOURCES MainWindowTests.cpp)
vexilor_add_tests (SettingsTests SOURCES SettingsTests.cpp)
vexilor_add_tests (AudioSettingsDialogTests SOURCES AudioSettingsDialogTests.cpp)
vexilor_add_tests (AboutBoxTests SOURCES AboutBoxTests.cpp)
vexilor_add_tests (ShutdownTests SOURCES ShutdownTests.cpp)

# Keys typed on the X server reach the focused window, which any other test's new window
# would take.
vexilor_add_tests (KeyboardTests SOURCES KeyboardTests.cpp
    PROPERTIES RUN_SERIAL TRUE)

# Every start of the host reads the machine-wide settings file, so no other test may
# run while this one has it in place.
vexilor_add_tests (MachineWideSettingsTests SOURCES MachineWideSettingsTests.cpp
    PROPERTIES RUN_SERIAL TRUE)
