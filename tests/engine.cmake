# Step engine, main loop and end of run. Both programs run the engine with the real workers and
# write the window position and the restart entries the controller reads.
vantolin_test(OruProcess_unittest SOURCES ../controller/OruProcess_unittest.cpp LIBS controller oleaut32
              LOCKS controller_instance)
vantolin_test(AdminSteps_unittest SOURCES ../controller/AdminSteps_unittest.cpp ../controller/ControllerStrings_test.rc
              LIBS controller LOCKS controller_instance)
# The self-update runs a signed stand-in.
add_dependencies(AdminSteps_unittest signing_fixtures)
set_property(SOURCE ../controller/ControllerStrings_test.rc APPEND PROPERTY OBJECT_DEPENDS
             ${WIZARD_ENGLISH_FILES})
# The built controller's loop; it points the user's proxy at a closed port while it runs.
vantolin_test(MainLoop_e2etest SOURCES ../controller/MainLoop_e2etest.cpp LIBS support
              LOCKS controller_instance user_internet_settings)
add_dependencies(MainLoop_e2etest VantolinSetup refresh_rt demo_folder e2e_fixtures)
