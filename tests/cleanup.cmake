# The cleanup program and the protected-folder check it relies on. Each program works in its own
# folders under D:\tests.
vantolin_test(ProtectedFolders_unittest SOURCES ../support/ProtectedFolders_unittest.cpp LIBS support)
vantolin_test(Cleanup_unittest SOURCES ../cleanup/Cleanup_unittest.cpp LIBS cleanup)
add_dependencies(Cleanup_unittest StandIn)
# The real pause is 25 s: the timed cases run at once.
vantolin_test(Cleanup_e2etest SOURCES ../cleanup/Cleanup_e2etest.cpp LIBS version)
add_dependencies(Cleanup_e2etest VantolinSetupCleanup CleanupFault StandIn)
add_test(NAME Cleanup_link_fixture COMMAND bash ${CMAKE_SOURCE_DIR}/tests/harness/make_link_fixture.sh
         ${TEST_AREA}/tests/cleanup_links inside refused)
set_tests_properties(Cleanup_link_fixture PROPERTIES FIXTURES_SETUP cleanup_links)
set_tests_properties(Cleanup_e2etest PROPERTIES FIXTURES_REQUIRED cleanup_links)
