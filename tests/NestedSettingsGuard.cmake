# The guard that keeps settings files nested too deeply for the framework's XML reader
# away from it. Only the user's file is used: the machine-wide one is left alone.
vexilor_add_tests (NestedSettingsGuardTests SOURCES NestedSettingsGuardTests.cpp)
