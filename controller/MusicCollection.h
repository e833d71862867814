#pragma once

// Counts the user's media library through the system media player's scripting object. True when
// all three counts could be read; each count that could not be read is -1.
bool GetMusicCollectionNumbers(int& nAll, int& nAudio, int& nVideo);
