#include "app/keyboard/keyboardpanel.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// A key struck with the mouse or a letter: a firm middle, as the screen tells no force.
constexpr int screenVelocity = 100;
constexpr int periodsShown = 2;
// Stretch per cent of a step, and the least a key gets, so that a comma is still a key.
constexpr double stretchPerCent = 0.1;
constexpr int minimumStretch = 3;

long double centsOf(const long double& ratio) {
    return 1200.0L * std::log2(ratio);
}

} // namespace

const std::vector<int>& KeyboardPanel::lowerRow() {
    static const std::vector<int> row = {Qt::Key_Z,      Qt::Key_X,    Qt::Key_C, Qt::Key_V,
                                         Qt::Key_B,      Qt::Key_N,    Qt::Key_M, Qt::Key_Comma,
                                         Qt::Key_Period, Qt::Key_Slash};
    return row;
}

const std::vector<int>& KeyboardPanel::upperRow() {
    static const std::vector<int> row = {
        Qt::Key_Q, Qt::Key_W, Qt::Key_E, Qt::Key_R, Qt::Key_T,           Qt::Key_Y,
        Qt::Key_U, Qt::Key_I, Qt::Key_O, Qt::Key_P, Qt::Key_BracketLeft, Qt::Key_BracketRight};
    return row;
}

KeyboardPanel::KeyboardPanel(QWidget* parent)
    : QDockWidget(tr("Keyboard"), parent), line(new QLabel(this)), keyArea(new QWidget(this)),
      keyLayout(new QHBoxLayout(keyArea)) {
    setObjectName(QStringLiteral("keyboardPanel"));
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    line->setWordWrap(true);
    layout->addWidget(line);
    // Many notes make a keyboard wider than the window: it scrolls rather than cut labels.
    auto* scroll = new QScrollArea(content);
    scroll->setWidget(keyArea);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(scroll, 1);
    keyLayout->setSpacing(1);
    // The scroll area keeps the keys no narrower than their labels.
    keyLayout->setSizeConstraint(QLayout::SetMinimumSize);
    keyLayout->setContentsMargins(0, 0, 0, 0);
    // The letters play only while the keys have focus; elsewhere they keep their usual work.
    keyArea->setFocusPolicy(Qt::StrongFocus);
    keyArea->installEventFilter(this);
    setWidget(content);
    clearTuning();
}

void KeyboardPanel::clearTuning() {
    disable(tr("No tuning to play yet: press \"Make\", and the keyboard plays the tuning "
               "made."));
}

void KeyboardPanel::disable(const QString& why) {
    releaseAll();
    rebuild({}, {});
    line->setText(why);
    line->show();
    keyArea->setEnabled(false);
}

QString KeyboardPanel::reason() const {
    return line->isHidden() ? QString() : line->text();
}

void KeyboardPanel::setTuning(const std::vector<long double>& tuning, const std::vector<int>& notes,
                              const formats::KeyMapping& mapping) {
    const QString problem = formats::mappingProblem(tuning);
    if (!problem.isEmpty()) {
        disable(tr("This tuning cannot be played on keys: %1.").arg(problem));
        return;
    }
    releaseAll();
    degrees = formats::degreeCount(tuning);
    const int count = std::min(periodsShown * degrees + 1, formats::midiKeyCount);
    // From the reference key up, moved down by whole periods if the top would pass key 127.
    firstKey = mapping.referenceKey;
    while (firstKey > 0 && firstKey + count > formats::midiKeyCount) {
        firstKey = std::max(0, firstKey - degrees);
    }
    rebuild(tuning, notes);
    line->hide();
    keyArea->setEnabled(true);
}

void KeyboardPanel::rebuild(const std::vector<long double>& tuning, const std::vector<int>& notes) {
    for (QPushButton* key : keys) {
        delete key;
    }
    keys.clear();
    if (tuning.empty()) {
        return;
    }
    const int count = std::min(periodsShown * degrees + 1, formats::midiKeyCount);
    const long double period = centsOf(tuning.back() / tuning.front());
    // Key `index` sounds degree index mod M, index / M periods above the first key shown.
    const auto centsAt = [&](const int& index) {
        return centsOf(tuning[std::size_t(index % degrees)] / tuning.front()) +
               (index / degrees) * period;
    };
    for (int index = 0; index < count; ++index) {
        const auto degree = std::size_t(index % degrees);
        const int note = degree < notes.size() ? notes[degree] : int(degree) + 1;
        const long double cents = centsAt(index);
        auto* key = new QPushButton(
            QStringLiteral("%1\n%2¢").arg(note).arg(static_cast<double>(cents), 0, 'f', 1),
            keyArea);
        key->setFocusPolicy(Qt::NoFocus);
        key->setToolTip(tr("Note %1, MIDI key %2").arg(note).arg(firstKey + index));
        key->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        key->setMinimumWidth(key->fontMetrics().boundingRect(QRect(), 0, key->text()).width() + 8);
        key->setMinimumHeight(3 * key->fontMetrics().height());
        connect(key, &QPushButton::pressed, this, [this, index] {
            keyArea->setFocus(Qt::MouseFocusReason);
            press(index);
        });
        connect(key, &QPushButton::released, this, [this, index] { release(index); });
        // As wide as its step up (the closing key as the first step), so the row reads as
        // the tuning's pitch line.
        const long double step = index + 1 < count ? centsAt(index + 1) - cents : centsAt(1);
        const int stretch = static_cast<int>(std::lround(std::fabs(step) * stretchPerCent));
        keyLayout->addWidget(key, std::max(minimumStretch, stretch));
        keys.push_back(key);
    }
}

void KeyboardPanel::press(int index) {
    if (sounding.insert(index).second) {
        emit keyPressed(firstKey + index, screenVelocity);
    }
}

void KeyboardPanel::release(int index) {
    if (sounding.erase(index) > 0) {
        emit keyReleased(firstKey + index);
    }
}

void KeyboardPanel::releaseAll() {
    while (!sounding.empty()) {
        // A copy: release() erases the entry it is given.
        const int index = *sounding.begin();
        release(index);
    }
}

int KeyboardPanel::indexOfKey(const int& qtKey) const {
    const std::vector<int>& lower = lowerRow();
    const std::vector<int>& upper = upperRow();
    int index = -1;
    if (const auto at = std::find(lower.begin(), lower.end(), qtKey); at != lower.end()) {
        index = static_cast<int>(at - lower.begin());
    } else if (const auto up = std::find(upper.begin(), upper.end(), qtKey); up != upper.end()) {
        index = degrees + static_cast<int>(up - upper.begin());
    }
    return index < keyCount() ? index : -1;
}

bool KeyboardPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != keyArea) {
        return QDockWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::FocusIn:
        // Filters on the application run newest first: while the keys have focus, this one
        // comes before the window's own key filter, which would take single letters.
        qApp->installEventFilter(this);
        return false;
    case QEvent::FocusOut:
        qApp->removeEventFilter(this);
        // A letter let go elsewhere would never arrive here: nothing may keep sounding.
        releaseAll();
        return false;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return playKey(static_cast<QKeyEvent*>(event));
    default:
        return false;
    }
}

bool KeyboardPanel::playKey(QKeyEvent* event) {
    const int index = event->modifiers() & ~Qt::KeypadModifier ? -1 : indexOfKey(event->key());
    if (index < 0) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Accepted, the key comes here as a key press instead of triggering a shortcut.
        event->accept();
    } else if (!event->isAutoRepeat()) {
        const bool down = event->type() == QEvent::KeyPress;
        if (down) {
            press(index);
        } else {
            release(index);
        }
        keys[std::size_t(index)]->setDown(down);
    }
    return true;
}

void KeyboardPanel::hideEvent(QHideEvent* event) {
    releaseAll();
    QDockWidget::hideEvent(event);
}
