#include "platform/seams.h"

#undef mouse_event
#undef keybd_event
#undef Sleep

const PpcSeamTable PpcSystemSeams = {mouse_event, keybd_event, Sleep};
PpcSeamTable PpcSeams = PpcSystemSeams;
