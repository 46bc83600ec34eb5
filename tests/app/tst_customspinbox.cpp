#include "app/widgets/customspinbox.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>

#include <memory>

namespace {

enum class Step { KeyUp, KeyDown, Wheel, StepBy, TabFocus };

// A spin box at 13 of 2 … 1024, plain or custom; the plain one shows what the custom one
// prevents.
std::unique_ptr<QSpinBox> makeSpinBox(bool custom) {
    std::unique_ptr<QSpinBox> spinBox =
        custom ? std::make_unique<CustomSpinBox>() : std::make_unique<QSpinBox>();
    spinBox->setRange(2, 1024);
    spinBox->setValue(13);
    spinBox->show();
    return spinBox;
}

void perform(QSpinBox* spinBox, Step step) {
    switch (step) {
    case Step::KeyUp:
        QTest::keyClick(spinBox, Qt::Key_Up);
        break;
    case Step::KeyDown:
        QTest::keyClick(spinBox, Qt::Key_Down);
        break;
    case Step::Wheel: {
        const QPointF centre = spinBox->rect().center();
        QWheelEvent wheel(centre, spinBox->mapToGlobal(centre), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(spinBox, &wheel);
        break;
    }
    case Step::StepBy:
        spinBox->stepBy(3);
        break;
    case Step::TabFocus: {
        QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(spinBox, &focus);
        break;
    }
    }
}

} // namespace

Q_DECLARE_METATYPE(Step)

class TestCustomSpinBox : public QObject {
    Q_OBJECT

private slots:
    // Typed text becomes the value once Return commits it; until then the value stays, so
    // that typing "12" never passes through 1.
    void typedValueIsTakenOnReturn_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("digits") << "512" << 13 << 512;
        QTest::newRow("one digit") << "7" << 13 << 7;
        QTest::newRow("below the range") << "1" << 13 << 13;
        QTest::newRow("above the range") << "2048" << 13 << 204;
        QTest::newRow("letters") << "abc" << 13 << 13;
    }

    void typedValueIsTakenOnReturn() {
        QFETCH(QString, typed);
        QFETCH(int, before);
        QFETCH(int, after);
        const auto spinBox = makeSpinBox(true);
        QLineEdit* edit = spinBox->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(spinBox.get(), typed);
        QCOMPARE(spinBox->value(), before);
        QTest::keyClick(spinBox.get(), Qt::Key_Return);
        QCOMPARE(spinBox->value(), after);
    }

    void textIsNeverLeftSelected_data() {
        QTest::addColumn<bool>("custom");
        QTest::addColumn<Step>("step");
        QTest::addColumn<int>("value");
        for (const bool custom : {true, false}) {
            const char* kind = custom ? "custom" : "plain";
            QTest::addRow("%s up key", kind) << custom << Step::KeyUp << 14;
            QTest::addRow("%s down key", kind) << custom << Step::KeyDown << 12;
            QTest::addRow("%s wheel", kind) << custom << Step::Wheel << 14;
            QTest::addRow("%s stepBy", kind) << custom << Step::StepBy << 16;
            QTest::addRow("%s tab focus", kind) << custom << Step::TabFocus << 13;
        }
    }

    void textIsNeverLeftSelected() {
        QFETCH(bool, custom);
        QFETCH(Step, step);
        QFETCH(int, value);
        const auto spinBox = makeSpinBox(custom);
        perform(spinBox.get(), step);
        QCOMPARE(spinBox->value(), value);
        QCoreApplication::processEvents();
        // The plain spin box selects its text here; the custom one must not keep it selected.
        QCOMPARE(spinBox->findChild<QLineEdit*>()->hasSelectedText(), !custom);
    }
};

QTEST_MAIN(TestCustomSpinBox)
#include "tst_customspinbox.moc"
