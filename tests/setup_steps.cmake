# Setup helpers and the step functions. The helpers' test writes the pages' saved position
# under HKLM, which a controller run reads and deletes.
vantolin_test(SetupHelpers_unittest SOURCES ../controller/SetupHelpers_unittest.cpp LIBS controller
              LOCKS controller_instance)
add_dependencies(SetupHelpers_unittest demo_folder)
