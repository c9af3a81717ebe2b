#include "pointer/cursor_state.h"

void DrawCursor(CursorStateRecord *state, int show)
{
    // Rendering with the save-under is not built yet: nothing is drawn.
}
