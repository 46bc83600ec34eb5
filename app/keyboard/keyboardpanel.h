#pragma once

// The on-screen keyboard: the keys of the last tuning made, laid out by the tuning rather than
// by the piano's twelve. One key per tuned note in each of two periods, and the note that
// closes them, each the width of its step up, labelled with its note number and cents. It only
// reports keys; whoever listens makes the sound (live::LiveKeys).

#include "formats/keymapping.h"

#include <QDockWidget>
#include <QString>

#include <set>
#include <vector>

class QLabel;
class QHBoxLayout;
class QKeyEvent;
class QPushButton;

class KeyboardPanel : public QDockWidget {
    Q_OBJECT

public:
    // The computer keys that play: the lower letter row from the lower period's first key,
    // the upper letter row from the upper period's.
    static const std::vector<int>& lowerRow();
    static const std::vector<int>& upperRow();

    explicit KeyboardPanel(QWidget* parent = nullptr);

    // The last tuning made: ratios to its first note, the last being the period; the table's
    // one-based numbers of those notes; and where the exports put it on the MIDI keys.
    void setTuning(const std::vector<long double>& tuning, const std::vector<int>& notes,
                   const formats::KeyMapping& mapping);
    // No tuning: the keys are disabled, and a line says why.
    void clearTuning();

    int keyCount() const { return static_cast<int>(keys.size()); }
    // The MIDI key of the on-screen key `index` (0 is the leftmost).
    int midiKey(int index) const { return firstKey + index; }
    QString reason() const;

signals:
    // The MIDI key, 0 ... 127, and a velocity 1 ... 127.
    void keyPressed(int key, int velocity);
    void keyReleased(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void disable(const QString& why);
    void rebuild(const std::vector<long double>& tuning, const std::vector<int>& notes);
    void press(int index);
    void release(int index);
    void releaseAll();
    // Plays or stops the key of a computer key; whether it was one.
    bool playKey(QKeyEvent* event);
    // The on-screen key of a computer key; -1 for none.
    int indexOfKey(const int& qtKey) const;

    QLabel* line;
    QWidget* keyArea;
    QHBoxLayout* keyLayout;
    std::vector<QPushButton*> keys;
    int firstKey = 0;
    int degrees = 0;
    std::set<int> sounding; // on-screen keys held
};
