# The controller's log header: the header writer and the processor clock in-process, then the
# built controller's log and its log folder.
vantolin_test(LogHeader_unittest SOURCES ../controller/LogHeader_unittest.cpp LIBS controller)
# Runs the controller: it holds the instance flag and the running-setup value.
vantolin_test(LogHeader_e2etest SOURCES ../controller/LogHeader_e2etest.cpp LIBS version LOCKS controller_instance)
add_dependencies(LogHeader_e2etest VantolinSetup refresh_rt)
