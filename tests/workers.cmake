# Regular-expression wrapper, installer command lines, worker threads and installer runs.
vantolin_test(BoostRegEx_unittest SOURCES ../support/BoostRegEx_unittest.cpp LIBS support)
vantolin_test(MsiCommandLine_unittest SOURCES ../support/MsiCommandLine_unittest.cpp LIBS support)
