# Setup helpers and the step functions. The helpers' test writes the pages' saved position
# under HKLM, which a controller run reads and deletes.
vantolin_test(SetupHelpers_unittest SOURCES ../controller/SetupHelpers_unittest.cpp LIBS controller
              LOCKS controller_instance)
add_dependencies(SetupHelpers_unittest demo_folder)
# The package reader and the engine's continuation on the packages of the controller's and the
# store's start-up tests.
vantolin_test(PackageProperties_unittest SOURCES ../controller/PackageProperties_unittest.cpp LIBS controller)
add_dependencies(PackageProperties_unittest e2e_fixtures qmconfig_fixtures)

# A whole offline installation by the built controller: the setup archive with the product's
# package (with a post-installation list), the prerequisite stand-ins and a launcher named as a
# repeated download.
set(STEPS_FIXTURES ${TEST_AREA}/fixtures/steps)
vantolin_package(${STEPS_FIXTURES}/package/VantolinSetup.msi 3.0.1.12 9 9111i VARIANT admin)
vantolin_archive(${STEPS_FIXTURES}/install/VantolinSetupArchive.exe DEPENDS StandIn ${STEPS_FIXTURES}/package/VantolinSetup.msi
    ENTRIES msi/VantolinSetup.msi=${STEPS_FIXTURES}/package/VantolinSetup.msi msi/RuntimeProbe.exe=$<TARGET_FILE:StandIn>
            msi/dotNetFx40_Full_setup.exe=$<TARGET_FILE:StandIn>)
# The same archive with a .NET installer that asks for a restart.
vantolin_archive(${STEPS_FIXTURES}/restart/VantolinSetupArchive.exe DEPENDS StandIn ${STEPS_FIXTURES}/package/VantolinSetup.msi
    ${CMAKE_SOURCE_DIR}/tools/archive/dotnet_reboot.ini
    ENTRIES msi/VantolinSetup.msi=${STEPS_FIXTURES}/package/VantolinSetup.msi msi/RuntimeProbe.exe=$<TARGET_FILE:StandIn>
            msi/dotNetFx40_Full_setup.exe=$<TARGET_FILE:StandIn>
            msi/dotNetFx40_Full_setup.ini=${CMAKE_SOURCE_DIR}/tools/archive/dotnet_reboot.ini)
# The controller signed as the test programs are: it takes archives of its own signer only.
set(SIGNED_CONTROLLER ${STEPS_FIXTURES}/signed/VantolinSetupXP.exe)
add_custom_command(OUTPUT ${SIGNED_CONTROLLER}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${STEPS_FIXTURES}/signed
                   COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:VantolinSetup> ${SIGNED_CONTROLLER}
                   COMMAND bash ${SIGNING_SH} sign ${SIGNING_DIR} a ${SIGNED_CONTROLLER}
                   DEPENDS VantolinSetup ${SIGNING_KEYS} ${SIGNING_SH})
# A newer controller, as the self-update downloads it, named as the test's renamed controller
# and signed as the archive is; beside it the same file unsigned and signed by another signer.
vantolin_archive(${STEPS_FIXTURES}/update/VantolinSetupUpdate.exe DEPENDS ${SIGNED_CONTROLLER}
    ENTRIES VantolinSetupXP.exe=${SIGNED_CONTROLLER})
set(UPDATE_FIXTURES ${STEPS_FIXTURES}/update/update_unsigned.exe ${STEPS_FIXTURES}/update/update_signed_other.exe)
add_custom_command(OUTPUT ${UPDATE_FIXTURES}
                   COMMAND bash ${SIGNING_SH} fixtures ${SIGNING_DIR} ${STEPS_FIXTURES}/update/VantolinSetupUpdate.exe
                           ${STEPS_FIXTURES}/update update_
                   DEPENDS ${SIGNING_KEYS} ${STEPS_FIXTURES}/update/VantolinSetupUpdate.exe ${SIGNING_SH})
add_custom_target(steps_fixtures ALL DEPENDS ${UPDATE_FIXTURES} ${STEPS_FIXTURES}/install/VantolinSetupArchive.exe
    ${STEPS_FIXTURES}/restart/VantolinSetupArchive.exe ${STEPS_FIXTURES}/update/VantolinSetupUpdate.exe)
# The online installation downloads the archive, signed and tampered, through a proxy of the test
# server that the user's proxy settings name.
set(ONLINE_FIXTURES ${HTTP_SERVER_STATE}/files/online_signed_same.exe ${HTTP_SERVER_STATE}/files/online_signed_other.exe
    ${HTTP_SERVER_STATE}/files/online_tampered.exe)
add_custom_command(OUTPUT ${ONLINE_FIXTURES}
                   COMMAND bash ${SIGNING_SH} fixtures ${SIGNING_DIR} ${STEPS_FIXTURES}/install/VantolinSetupArchive.exe
                           ${HTTP_SERVER_STATE}/files online_
                   DEPENDS ${SIGNING_KEYS} ${STEPS_FIXTURES}/install/VantolinSetupArchive.exe ${SIGNING_SH})
add_custom_target(online_fixtures ALL DEPENDS ${ONLINE_FIXTURES} ${SIGNED_CONTROLLER})
# The installed copies of the product are removed again: other tests install packages that share
# their components.
vantolin_http_test(Installation_e2etest SOURCES ../controller/Installation_e2etest.cpp LIBS support msi workers
                   LOCKS controller_instance user_internet_settings)
add_dependencies(Installation_e2etest VantolinSetup refresh_rt StandIn Launcher SetupArchive steps_fixtures online_fixtures
                 damaged_controllers)
# The refused local programs run as an entry of their own: the whole program would pass the
# time-out of one entry on a loaded machine.
set_tests_properties(Installation_e2etest PROPERTIES
                     ENVIRONMENT "BUILD_DIR=${CMAKE_BINARY_DIR};GTEST_FILTER=-*LocalProgramsThatFailTheirCheckAreNotRun")
add_test(NAME Installation_refused_e2etest COMMAND Installation_e2etest --gtest_filter=*LocalProgramsThatFailTheirCheckAreNotRun)
set_tests_properties(Installation_refused_e2etest PROPERTIES WORKING_DIRECTORY ${TEST_AREA}/bin
                     ENVIRONMENT "BUILD_DIR=${CMAKE_BINARY_DIR}"
                     RESOURCE_LOCK "controller_instance;user_internet_settings")
# The step functions with fake services; the engine's lock and the restart entries of its own.
vantolin_test(OruProcessSteps_unittest SOURCES ../controller/OruProcessSteps_unittest.cpp ../controller/ControllerStrings_test.rc
              LIBS controller httptestsupport)
add_dependencies(OruProcessSteps_unittest signing_fixtures)
