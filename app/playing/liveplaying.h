#pragma once

#include <QObject>
#include <QString>

#include <vector>

class KeyboardPanel;
class QAction;
class ScaleSpaceDocument;
class QMainWindow;
class QMenu;
class ScaleSpace;
class TuningOutput;
class WindowMenus;

namespace live {
class LiveKeys;
}

// Playing the tuning live: View > Keyboard, Tuning > MIDI Input and MIDI Output (the ports,
// listed afresh when the menu opens, remembered and reopened at the next start if they are
// there), Tuning > Send Tuning and Send After Each Make (the MIDI tuning dump of the tuning
// shown). Keys and MIDI notes sound the tuning shown, mapped as the exports map it.
class LivePlaying : public QObject {
    Q_OBJECT

public:
    struct Parts {
        QMainWindow* window;
        WindowMenus* menus;
        TuningOutput* output;
        const ScaleSpace* space;
        // The file shown: its name goes into the dump, as quillmere-tune puts it there.
        const ScaleSpaceDocument* document;
    };
    LivePlaying(const Parts& parts, QObject* parent);

    live::LiveKeys* liveKeys() const { return keys; }
    KeyboardPanel* keyboard() const { return panel; }
    // Sends the tuning shown to the output port; says in the status line what happened.
    bool sendTuning();

signals:
    void statusMessage(const QString& text);

private:
    void addActions();
    void fillPortMenu(QMenu* menu, bool input);
    void choosePort(bool input, const QString& port);
    void tuningChanged();

    Parts parts;
    live::LiveKeys* keys;
    KeyboardPanel* panel;
    QAction* sendAction = nullptr;
    QAction* sendAfterMake = nullptr;
    std::vector<long double> lastTuning;
};
