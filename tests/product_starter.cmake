# The desktop-user launcher, the registry channel to the product and the hidden product starter.
# Programs that need the desktop's shell window (or its absence), or that write the channel of
# the default generation, hold the controller_instance lock.
vantolin_test(DesktopSpawner_unittest SOURCES ../spawner/DesktopSpawner_unittest.cpp ../spawner/DesktopSpawner.cpp
              LIBS support LOCKS controller_instance)
target_compile_definitions(DesktopSpawner_unittest PRIVATE DESKTOPSPAWNER_LINKED)
add_dependencies(DesktopSpawner_unittest DesktopSpawner Vantolin StandIn)

vantolin_test(OruCommunicationConfig_unittest SOURCES ../config/OruCommunicationConfig_unittest.cpp
              LIBS config LOCKS controller_instance)
add_dependencies(OruCommunicationConfig_unittest Vantolin)
vantolin_test(HiddenVantolinStarter_unittest SOURCES ../workers/HiddenVantolinStarter_unittest.cpp
              LIBS workers LOCKS controller_instance)
add_dependencies(HiddenVantolinStarter_unittest DesktopSpawner NoSpawner Vantolin StandIn)
