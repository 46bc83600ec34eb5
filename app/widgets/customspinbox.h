#pragma once

#include <QSpinBox>

// A spin box whose value changes only by stepping (arrows, Up and Down, the wheel): its text
// can be neither typed into nor selected.
class CustomSpinBox : public QSpinBox {
public:
    explicit CustomSpinBox(QWidget* parent = nullptr);
    ~CustomSpinBox() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void stepBy(int steps) override;

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void deselectLater();
};
