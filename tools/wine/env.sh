# Sourced by the scripts that run Wine: one hardened prefix inside the build tree.
# BUILD_DIR must be set (absolute) before sourcing.
: "${BUILD_DIR:?BUILD_DIR not set}"
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win64
export HOME="$BUILD_DIR/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko download prompts, no menu entries written into $HOME. A test adds load orders of
# its own through VANTOLIN_DLLOVERRIDES (Wine reads them only from the environment it starts with).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${VANTOLIN_DLLOVERRIDES:+;$VANTOLIN_DLLOVERRIDES}"
TEST_AREA="$BUILD_DIR/testarea"
PROJECT_DRIVE="d:"
# The stand-in USB drive: one more letter, always this folder of the test area (tests may rename
# the folder away to pull the drive; the letter then points at nothing).
USB_DRIVE="u:"
USB_DRIVE_FOLDER="$TEST_AREA/usbdrive"
