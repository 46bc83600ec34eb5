#include "app/menus/stepactions.h"

#include "app/menus/windowmenus.h"

#include <QAbstractSlider>
#include <QAction>
#include <QSpinBox>

void attachStepActions(const WindowMenus* menus, QAbstractSlider* dial,
                       QAbstractSlider* attenuation, QSpinBox* range,
                       const std::function<int()>& period) {
    const auto on = [menus](const char* name, auto slot) {
        QObject::connect(menus->action(QLatin1String(name)), &QAction::triggered, slot);
    };
    const auto step = [](QAbstractSlider* control, int by) {
        return [control, by] {
            control->setValue(control->value() + by);
        };
    };
    on("actionDialUp", step(dial, 1));
    on("actionDialDown", step(dial, -1));
    on("actionAttenuationDown", step(attenuation, -1));
    on("actionAttenuationUp", step(attenuation, 1));
    on("actionLargerRange", [range] { range->setValue(range->value() + 1); });
    on("actionSmallerRange", [range] { range->setValue(range->value() - 1); });
    on("actionAddPeriod", [range, period] { range->setValue(range->value() + period()); });
    on("actionRemovePeriod", [range, period] { range->setValue(range->value() - period()); });
}
