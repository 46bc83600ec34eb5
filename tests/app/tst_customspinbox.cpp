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
    void typingChangesNothing_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Qt::Key>("key");
        QTest::newRow("digit") << "7" << Qt::Key_unknown;
        QTest::newRow("digits") << "512" << Qt::Key_unknown;
        QTest::newRow("letters") << "abc" << Qt::Key_unknown;
        QTest::newRow("backspace") << "" << Qt::Key_Backspace;
        QTest::newRow("delete") << "" << Qt::Key_Delete;
    }

    void typingChangesNothing() {
        QFETCH(QString, typed);
        QFETCH(Qt::Key, key);
        const auto spinBox = makeSpinBox(true);
        QLineEdit* edit = spinBox->findChild<QLineEdit*>();
        for (QWidget* target :
             {static_cast<QWidget*>(spinBox.get()), static_cast<QWidget*>(edit)}) {
            edit->setCursorPosition(1);
            if (key == Qt::Key_unknown) {
                QTest::keyClicks(target, typed);
            } else {
                QTest::keyClick(target, key);
            }
            QCOMPARE(spinBox->value(), 13);
            QCOMPARE(edit->text(), QStringLiteral("13"));
        }
    }

    void mouseNeitherPlacesCursorNorSelects() {
        const auto spinBox = makeSpinBox(true);
        QLineEdit* edit = spinBox->findChild<QLineEdit*>();
        edit->setCursorPosition(0);
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center() + QPoint(40, 0));
        QCOMPARE(edit->cursorPosition(), 0);
        QTest::mouseDClick(edit, Qt::LeftButton, {}, edit->rect().center());
        QVERIFY(!edit->hasSelectedText());
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
