# USB copy and device monitor. Tests of the stand-in drive U: hold the lock usb_drive.
vantolin_test(CopyUSBInstallationFromThread_unittest SOURCES ../workers/CopyUSBInstallationFromThread_unittest.cpp
              LIBS controller workers support LOCKS usb_drive)
vantolin_test(DeviceMonitor_unittest SOURCES ../workers/DeviceMonitor_unittest.cpp LIBS workers support)
add_dependencies(DeviceMonitor_unittest StandIn)
# Post-installation: the settings patch on the real store under its own test roots.
vantolin_test(PatchQMConfig_unittest SOURCES ../workers/PatchQMConfig_unittest.cpp LIBS workers config shlwapi)
vantolin_test(PostInstallStepsThread_unittest SOURCES ../workers/PostInstallStepsThread_unittest.cpp LIBS workers support)
# Step 28 through the engine and its worker, with lists under HKCU\Software\VantolinTests\PostInstallSteps.
vantolin_test(PostInstallationSteps_unittest SOURCES ../controller/PostInstallationSteps_unittest.cpp LIBS controller shlwapi)
vantolin_test(UsbInstallationStep_unittest SOURCES ../controller/UsbInstallationStep_unittest.cpp LIBS controller
              LOCKS usb_drive)
