#include "pointer/cursor_state.h"

void ProcessMouseData(CursorStateRecord *state, WPARAM wParam, LPARAM lParam)
{
    // Motion and button translation are not built yet: the report has no effect.
}
