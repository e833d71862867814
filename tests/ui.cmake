# Windows, dialogs and bitmaps of the class library and the support library. Programs that show
# windows hold the lock "screen": every test shares the one X server of the run, and a window
# of another test could cover theirs in a picture.
vantolin_test(Dialog_unittest SOURCES ../classlib/Dialog_unittest.cpp ../classlib/Dialog_unittest.rc LIBS support
              LOCKS screen)
set_property(SOURCE ../classlib/Dialog_unittest.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_SOURCE_DIR}/classlib/Dialog_unittest_ids.h)
vantolin_test(DynBitmap_unittest SOURCES ../support/DynBitmap_unittest.cpp LIBS support)
