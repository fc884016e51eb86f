#pragma once
// The all-in-one bar's window: a floating panel that, unlike the thumbnails and notices, takes
// the keyboard while it is open so that Escape and Return reach it.

#include "app/widgets/FloatingPanel.h"

class AllInOnePanel : public FloatingPanel {
    Q_OBJECT

public:
    AllInOnePanel();

    // Shows it, or raises it when it shows, and gives it the keyboard.
    void orderFrontAndMakeKey();
};
