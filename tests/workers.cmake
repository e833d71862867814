# Regular-expression wrapper, installer command lines, worker threads and installer runs.
vantolin_test(BoostRegEx_unittest SOURCES ../support/BoostRegEx_unittest.cpp LIBS support)
vantolin_test(MsiCommandLine_unittest SOURCES ../support/MsiCommandLine_unittest.cpp LIBS support)
set(WORKER_STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/common/strings_en_test.rc)
set_property(SOURCE ${WORKER_STRINGS} APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/controller/strings_en.rc)
vantolin_test(MsiUIHandler_unittest SOURCES ../workers/MsiUIHandler_unittest.cpp ${WORKER_STRINGS} LIBS workers support)
vantolin_test(Workers_unittest SOURCES ../workers/Workers_unittest.cpp ${WORKER_STRINGS} LIBS workers support)
add_dependencies(Workers_unittest standin_fixtures)
