#pragma once

#include <functional>

class QAbstractSlider;
class QSpinBox;
class WindowMenus;

// The actions that step a control by one (the dial, the attenuation, the range) or the range
// by a period of `period()` notes.
void attachStepActions(const WindowMenus* menus, QAbstractSlider* dial,
                       QAbstractSlider* attenuation, QSpinBox* range,
                       const std::function<int()>& period);
