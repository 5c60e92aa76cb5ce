// The widget of a window the ui library draws itself, for controls that make a window of their
// own (the drop-down and popup windows of combo edits and lookup lists), and raising a window.
#pragma once

#include <QWidget>

// The plain widget of a self-drawn window: everything it shows comes from WM_PAINT.
class TWinWidget : public QWidget {
public:
    explicit TWinWidget(QWidget* parent, Qt::WindowFlags f = {});
    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent*) override {}
};

// Raises a widget; top-level windows only where the platform can stack them.
void RaiseWindow(QWidget* W);
