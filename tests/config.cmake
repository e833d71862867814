# The configuration store: each program makes its own roots under SOFTWARE\Quillmark
# (VantolinTests_<test>) and folders under D:\tests.
vantolin_test(QMConfig_unittest SOURCES ../config/QMConfig_unittest.cpp LIBS config shlwapi LOCKS qmconfig_mutexes)
# Holds the store's machine-wide mutexes from a second process: nothing else may have them
# open meanwhile (every controller run does).
vantolin_test(QMRegKey_unittest SOURCES ../config/QMRegKey_unittest.cpp LIBS config shlwapi
              LOCKS controller_instance qmconfig_mutexes)
add_dependencies(QMRegKey_unittest StandIn)
vantolin_test(SettingsKeys_unittest SOURCES ../config/SettingsKeys_unittest.cpp LIBS config shlwapi)
vantolin_test(GenerationNames_unittest SOURCES ../config/GenerationNames_unittest.cpp LIBS config)
# Runs the controller: the store's start-up, its roots and the portable mode.
vantolin_package(${TEST_AREA}/fixtures/extract_badgen/msi/VantolinSetup.msi 3.0.2.7 12 ../9109z)
add_custom_target(qmconfig_fixtures ALL DEPENDS ${TEST_AREA}/fixtures/extract_badgen/msi/VantolinSetup.msi)
vantolin_test(QMConfigStartup_e2etest SOURCES ../config/QMConfigStartup_e2etest.cpp LIBS shlwapi
              LOCKS controller_instance qmconfig_mutexes)
add_dependencies(QMConfigStartup_e2etest VantolinSetup refresh_rt demo_folder e2e_fixtures qmconfig_fixtures)
