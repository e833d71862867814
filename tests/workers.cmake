# Regular-expression wrapper, installer command lines, worker threads and installer runs.
vantolin_test(BoostRegEx_unittest SOURCES ../support/BoostRegEx_unittest.cpp LIBS support)
vantolin_test(MsiCommandLine_unittest SOURCES ../support/MsiCommandLine_unittest.cpp LIBS support)
set(WORKER_STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/common/strings_en_test.rc)
set_property(SOURCE ${WORKER_STRINGS} APPEND PROPERTY OBJECT_DEPENDS ${WIZARD_ENGLISH_FILES})
# Shows a real box of the installer's on the test X server.
vantolin_test(MsiUIHandler_unittest SOURCES ../workers/MsiUIHandler_unittest.cpp ${WORKER_STRINGS} LIBS workers support
              LOCKS screen)
vantolin_test(Workers_unittest SOURCES ../workers/Workers_unittest.cpp ${WORKER_STRINGS} LIBS workers support
              LOCKS ocsetup_standin)
add_dependencies(Workers_unittest standin_fixtures)
vantolin_test(StartProcessFromThread_unittest SOURCES ../workers/StartProcessFromThread_unittest.cpp LIBS workers support)
add_dependencies(StartProcessFromThread_unittest StandIn standin_fixtures)
# Installs in this process: holds the installer's mutex, which a parallel controller run reads
# as a busy installer, and writes the product's keys.
foreach(variant full nosuccess blocked)
    vantolin_package(${TEST_AREA}/fixtures/workers/${variant}/VantolinSetup.msi 3.0.1.12 9 2011 VARIANT ${variant})
    list(APPEND worker_packages ${TEST_AREA}/fixtures/workers/${variant}/VantolinSetup.msi)
endforeach()
add_custom_target(worker_packages ALL DEPENDS ${worker_packages})
vantolin_test(ProcessExecuter_e2etest SOURCES ../workers/ProcessExecuter_e2etest.cpp ${WORKER_STRINGS} LIBS workers support
              LOCKS controller_instance)
add_dependencies(ProcessExecuter_e2etest worker_packages standin_fixtures)
# Shows dialog 157 on the worker's thread; sets the pending-reboot flag of the shared prefix.
vantolin_test(DotNetFrameworkSeam_unittest SOURCES ../controller/DotNetFrameworkSeam_unittest.cpp
              ../controller/ControllerStrings_test.rc LIBS controller LOCKS screen reboot_required)
