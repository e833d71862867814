# USB copy and device monitor. Tests of the stand-in drive U: hold the lock usb_drive.
vantolin_test(CopyUSBInstallationFromThread_unittest SOURCES ../workers/CopyUSBInstallationFromThread_unittest.cpp
              LIBS controller workers support LOCKS usb_drive)
add_test(NAME CopyUSBInstallation_link_fixture COMMAND bash ${CMAKE_SOURCE_DIR}/tests/harness/make_usb_link_fixture.sh
         ${TEST_AREA}/tests/usbcopy_links inner=Vantolin_A_portable/lib earlier=Vantolin_A_portable
         new=Vantolin_B_portable user_data=Vantolin_A_portable/LocalAppDataFolder way=apps)
set_tests_properties(CopyUSBInstallation_link_fixture PROPERTIES FIXTURES_SETUP usbcopy_links)
set_tests_properties(CopyUSBInstallationFromThread_unittest PROPERTIES FIXTURES_REQUIRED usbcopy_links)
vantolin_test(Wnd_unittest SOURCES ../classlib/Wnd_unittest.cpp)
vantolin_test(DeviceMonitor_unittest SOURCES ../workers/DeviceMonitor_unittest.cpp LIBS workers support)
add_dependencies(DeviceMonitor_unittest StandIn)
# Post-installation: the settings patch on the real store under its own test roots.
vantolin_test(PatchQMConfig_unittest SOURCES ../workers/PatchQMConfig_unittest.cpp LIBS workers config shlwapi)
vantolin_test(PostInstallStepsThread_unittest SOURCES ../workers/PostInstallStepsThread_unittest.cpp LIBS workers support)
# Step 28 through the engine and its worker, with lists under HKCU\Software\VantolinTests\PostInstallSteps.
vantolin_test(PostInstallationSteps_unittest SOURCES ../controller/PostInstallationSteps_unittest.cpp LIBS controller shlwapi)
vantolin_test(UsbInstallationStep_unittest SOURCES ../controller/UsbInstallationStep_unittest.cpp LIBS controller
              LOCKS usb_drive)
# The same program on a really full drive: a small tmpfs over the stand-in drive's folder.
add_test(NAME CopyUSBInstallation_full_drive COMMAND bash ${CMAKE_SOURCE_DIR}/tests/harness/usb_full_drive.sh
         ${CMAKE_BINARY_DIR} $<TARGET_FILE:CopyUSBInstallationFromThread_unittest>)
set_tests_properties(CopyUSBInstallation_full_drive PROPERTIES RESOURCE_LOCK usb_drive WORKING_DIRECTORY ${TEST_AREA}/bin)
