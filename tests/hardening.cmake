# The elevated run's hardening: faults, waits, folders and deletes.

# The controller with planted faults.
add_executable(VantolinSetupCrash WIN32 ${CMAKE_SOURCE_DIR}/tools/crashingsetup/CrashingSetup.cpp)
target_link_libraries(VantolinSetupCrash PRIVATE controller classlib_entry)
vantolin_windows_program(VantolinSetupCrash)
vantolin_test(CoruAppCrash_e2etest SOURCES ../controller/CoruAppCrash_e2etest.cpp LOCKS controller_instance)
add_dependencies(CoruAppCrash_e2etest VantolinSetupCrash VantolinSetup refresh_rt)
vantolin_test(HandOverWait_e2etest SOURCES ../controller/HandOverWait_e2etest.cpp LOCKS controller_instance)
add_dependencies(HandOverWait_e2etest VantolinSetup refresh_rt StandIn)
vantolin_test(RefreshRtLifetime_e2etest SOURCES ../controller/RefreshRtLifetime_e2etest.cpp LIBS support
              LOCKS controller_instance)
add_dependencies(RefreshRtLifetime_e2etest VantolinSetup refresh_rt e2e_fixtures)
# Writes a ProfileList entry under HKLM for the time of its test (an account of its own).
vantolin_test(ProtectedProfiles_unittest SOURCES ../support/ProtectedProfiles_unittest.cpp LIBS support)
add_dependencies(ProtectedProfiles_unittest VantolinSetupCleanup)
vantolin_test(FolderRemoval_unittest SOURCES ../support/FolderRemoval_unittest.cpp LIBS support)
# The set-up's emulator part on a fake binfmt_misc folder with stand-in commands (no Wine runs).
add_test(NAME harness_setup_emulator COMMAND bash ${CMAKE_SOURCE_DIR}/tests/harness/setup_emulator_test.sh)
vantolin_test(WorkFolder_unittest SOURCES ../support/WorkFolder_unittest.cpp LIBS support)
# The step functions' cleanup-program start moves a stand-in.
add_dependencies(OruProcessSteps_unittest StandIn)
# The installation test's hand-over runs the real cleanup program.
add_dependencies(Installation_e2etest VantolinSetupCleanup)
# No library is loaded from the program's folder but the setup's own: the import tables (a shell
# test on the built files), and libraries planted beside the built programs, reached through
# Wine's load order "native, then builtin" for them.
add_test(NAME harness_known_dlls COMMAND bash ${CMAKE_SOURCE_DIR}/tests/harness/known_dlls_test.sh ${TEST_AREA}/bin)
vantolin_test(PlantedLibrary_e2etest SOURCES ../controller/PlantedLibrary_e2etest.cpp LOCKS controller_instance)
set_tests_properties(PlantedLibrary_e2etest PROPERTIES
                     ENVIRONMENT "BUILD_DIR=${CMAKE_BINARY_DIR};VANTOLIN_DLLOVERRIDES=version,userenv=n,b")
add_dependencies(PlantedLibrary_e2etest VantolinSetup VantolinSetupCleanup refresh_rt PlantedLibrary PlainImports)
