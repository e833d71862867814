# Setup helpers and the step functions. The helpers' test writes the pages' saved position
# under HKLM, which a controller run reads and deletes.
vantolin_test(SetupHelpers_unittest SOURCES ../controller/SetupHelpers_unittest.cpp LIBS controller
              LOCKS controller_instance)
add_dependencies(SetupHelpers_unittest demo_folder)

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
# A newer controller, as the self-update downloads it, named as the test's renamed controller.
vantolin_archive(${STEPS_FIXTURES}/update/VantolinSetupUpdate.exe DEPENDS VantolinSetup
    ENTRIES VantolinSetupXP.exe=$<TARGET_FILE:VantolinSetup>)
add_custom_target(steps_fixtures ALL DEPENDS ${STEPS_FIXTURES}/install/VantolinSetupArchive.exe
    ${STEPS_FIXTURES}/restart/VantolinSetupArchive.exe ${STEPS_FIXTURES}/update/VantolinSetupUpdate.exe)
# The installed copies of the product are removed again: other tests install packages that share
# their components.
vantolin_test(Installation_e2etest SOURCES ../controller/Installation_e2etest.cpp LIBS support msi LOCKS controller_instance)
add_dependencies(Installation_e2etest VantolinSetup refresh_rt StandIn Launcher SetupArchive steps_fixtures)
# The step functions with fake services; the engine's lock and the restart entries of its own.
vantolin_test(OruProcessSteps_unittest SOURCES ../controller/OruProcessSteps_unittest.cpp ../controller/ControllerStrings_test.rc
              LIBS controller)
