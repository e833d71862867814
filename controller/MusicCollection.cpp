#include "MusicCollection.h"

bool GetMusicCollectionNumbers(int& nAll, int& nAudio, int& nVideo)
{
    nAll = nAudio = nVideo = -1;
    return false;
}
