# The configuration store: each program makes its own roots under SOFTWARE\Quillmark
# (VantolinTests_<test>) and folders under D:\tests.
vantolin_test(QMConfig_unittest SOURCES ../config/QMConfig_unittest.cpp LIBS config shlwapi LOCKS qmconfig_mutexes)
# Holds the store's machine-wide mutexes from a second process: nothing else may have them
# open meanwhile (every controller run does).
vantolin_test(QMRegKey_unittest SOURCES ../config/QMRegKey_unittest.cpp LIBS config shlwapi
              LOCKS controller_instance qmconfig_mutexes)
add_dependencies(QMRegKey_unittest StandIn)
