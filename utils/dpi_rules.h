#pragma once
// Layout values are written for a 96-DPI screen; these turn them into device pixels.

// v * dpi / 96 rounded to the nearest integer, halves away from zero.
int ScaleForDpi(int v, int dpi);
