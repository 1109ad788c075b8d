# Counts every heap allocation of its process, so it replaces the global allocation
# functions and has an executable of its own. It plays to a JACK server it starts.
vexilor_add_tests (RealTimeSafetyTests SOURCES RealTimeSafetyTests.cpp
    PROPERTIES TIMEOUT 120)
