#pragma once

#include <QPoint>
#include <QWidget>

class QWidget;

// Clicks go through the panel's window, so the widget sees the real sequence of
// press, release and, for a double click, the double-click event.
void clickAt(QWidget& window, QPoint where);
void doubleClickAt(QWidget& window, QPoint where);

// The centre of a named control of a window, in the window's coordinates.
QPoint centreOf(const QWidget& window, const char* control);
void clickControl(QWidget& window, const char* control);
