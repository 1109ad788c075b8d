vexilor_add_tests (SmokeTests SOURCES SmokeTests.cpp)
