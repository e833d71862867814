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
add_custom_target(steps_fixtures ALL DEPENDS ${STEPS_FIXTURES}/install/VantolinSetupArchive.exe)
vantolin_test(Installation_e2etest SOURCES ../controller/Installation_e2etest.cpp LIBS support LOCKS controller_instance)
add_dependencies(Installation_e2etest VantolinSetup refresh_rt StandIn Launcher VantolinSetupCleanup steps_fixtures)
