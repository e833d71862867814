# Windows, dialogs and bitmaps of the class library and the support library. Programs that show
# windows hold the lock "screen": every test shares the one X server of the run, and a window
# of another test could cover theirs in a picture.
vantolin_test(Dialog_unittest SOURCES ../classlib/Dialog_unittest.cpp ../classlib/Dialog_unittest.rc LIBS support
              LOCKS screen)
set_property(SOURCE ../classlib/Dialog_unittest.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_SOURCE_DIR}/classlib/Dialog_unittest_ids.h)
vantolin_test(DynBitmap_unittest SOURCES ../support/DynBitmap_unittest.cpp LIBS support)
# The wizard's pages and the program's resources in every language.
set(WIZARD_PAGE_RESOURCES ../wizard/WizardPages_unittest.rc)
set_property(SOURCE ${WIZARD_PAGE_RESOURCES} APPEND PROPERTY OBJECT_DEPENDS ${WIZARD_ENGLISH_FILES}
             ${CMAKE_SOURCE_DIR}/wizard/lang/de-DE.rc ${CMAKE_SOURCE_DIR}/wizard/WizardPages_unittest_ids.h)
vantolin_test(WizardParentDlg_unittest SOURCES ../wizard/WizardParentDlg_unittest.cpp ${WIZARD_PAGE_RESOURCES}
              LIBS wizard LOCKS screen)
vantolin_test(MsiProgressDlg_unittest SOURCES ../wizard/MsiProgressDlg_unittest.cpp ${WIZARD_PAGE_RESOURCES}
              LIBS wizard LOCKS screen)
# Reads the built program's resources; measures texts on the screen's fonts.
vantolin_test(WizardResources_unittest SOURCES ../wizard/WizardResources_unittest.cpp LOCKS screen)
add_dependencies(WizardResources_unittest VantolinSetup)
# The download, watchdog, restart, .NET, licence and finish pages in every language.
set(WIZARD_ALL_LANGUAGES ../wizard/Dialogs_unittest.rc)
set_property(SOURCE ${WIZARD_ALL_LANGUAGES} APPEND PROPERTY OBJECT_DEPENDS ${WIZARD_RESOURCE_FILES})
vantolin_test(DownloadProgressDlg_unittest SOURCES ../wizard/DownloadProgressDlg_unittest.cpp ${WIZARD_ALL_LANGUAGES}
              LIBS wizard LOCKS screen)
vantolin_test(Dialogs_unittest SOURCES ../wizard/Dialogs_unittest.cpp ${WIZARD_ALL_LANGUAGES} LIBS wizard LOCKS screen)
