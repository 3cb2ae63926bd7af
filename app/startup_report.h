// With ZQ40_REPORT_SHOWN=1 in the environment the program writes one line to
// stderr once its window has been painted for the first time. The start-up
// benchmark and the tests that start the program wait for it.
#pragma once

class QWidget;

inline constexpr const char* shownMarker = "zq40panel: window shown";

void reportFirstPaintIfAsked(QWidget* window);
