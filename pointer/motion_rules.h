#pragma once
// The arithmetic of a mouse report: speed, movement within the screen, absolute units.
// Pure: no Windows header, so that the host build checks it too.

#define DEFAULT_SPEED_INDEX 2
#define ABSOLUTE_UNITS_MAX 65535

// The speed table: 0.1X, 0.2X, 0.5X, then 1X to 8X. An index outside 0 to 10 (a malformed
// stored value) is the default, 0.5X.
void SpeedFactors(int speedIndex, int *multiplier, int *divisor);

// position + delta * multiplier / divisor (truncated toward zero), kept within 0 to limit
// inclusive.
int MoveAxis(int position, int delta, int multiplier, int divisor, int limit);

// A position of 0 to size in mouse_event's absolute units, 0 to 65535; 0 for a size that is
// not positive.
int AbsoluteUnits(int position, int size);
