#pragma once

#include <QSpinBox>

// A spin box that takes typed values once Return or leaving it commits them, and steps
// (arrows, Up and Down, the wheel) without leaving its text selected.
class CustomSpinBox : public QSpinBox {
public:
    explicit CustomSpinBox(QWidget* parent = nullptr);
    ~CustomSpinBox() override;

    void stepBy(int steps) override;

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void deselectLater();
};
