# The configuration store: each program makes its own roots under SOFTWARE\Quillmark
# (VantolinTests_<test>) and folders under D:\tests.
vantolin_test(QMConfig_unittest SOURCES ../config/QMConfig_unittest.cpp LIBS config shlwapi)
