#include "app/menus/keytable.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("KeyTable", text);
}

QList<QKeySequence> standard(QKeySequence::StandardKey key) {
    return QKeySequence::keyBindings(key);
}

QKeySequence control(Qt::Key key) {
    return QKeySequence(Qt::CTRL | key);
}

// The single keys, which a focused text field keeps, and the table's own keys.
std::vector<KeyRow> singleKeyRows() {
    const KeyScope window = KeyScope::Window;
    const KeyScope table = KeyScope::Table;
    const QList<QKeySequence> arrows = {QKeySequence(Qt::Key_Left), QKeySequence(Qt::Key_Up),
                                        QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_Down)};
    // clang-format off
    return {
        {"Tab                 ", tr("switch between Decimal and Cents"),
         {{"actionSwapDisplay", {Qt::Key_Tab}, window, true}}},
        {"Space               ", tr("switch between Size and Weight"),
         {{"actionSwapInterval", {Qt::Key_Space}, window, true}}},
        {"=   /   -           ", tr("one note more / fewer in the range"),
         {{"actionLargerRange", {Qt::Key_Equal}, window, true},
          {"actionSmallerRange", {Qt::Key_Minus}, window}}},
        {"Shift and +   /   _ ", tr("one period more / fewer in the range"),
         {{"actionAddPeriod", {Qt::SHIFT | Qt::Key_Plus}, window},
          {"actionRemovePeriod", {Qt::Key_Underscore}, window, true},
          {"actionRemovePeriod", {Qt::SHIFT | Qt::Key_Minus}, window}}},
        {"P                   ", tr("play the current cell's interval"),
         {{"actionPlayInterval", {Qt::Key_P}, window, false, true}}},
        {"Escape              ", tr("stop the sound; deselect the current cell"),
         {{"actionStopSound", {Qt::Key_Escape}, window, true, true},
          {"actionDeselectCell", {Qt::Key_Escape}, window, true, true}}},
        {"Arrows              ", tr("move the current cell (once a cell is framed)"),
         {{"actionHoldArrows", arrows, window, true, true}}},
        {"Shift and arrows    ", tr("move the current cell one period"),
         {{"actionPeriodLeft", {Qt::SHIFT | Qt::Key_Left}, table},
          {"actionPeriodUp", {Qt::SHIFT | Qt::Key_Up}, table},
          {"actionPeriodRight", {Qt::SHIFT | Qt::Key_Right}, table},
          {"actionPeriodDown", {Qt::SHIFT | Qt::Key_Down}, table}}},
        {"Delete, Backspace   ", tr("reset the current cell to its neutral value"),
         {{"actionResetCell", {Qt::Key_Delete, Qt::Key_Backspace}, table, true}}},
        {"Control and C / V   ", tr("copy the current cell / paste tab-separated lines"),
         {{"actionCopy", standard(QKeySequence::Copy), table},
          {"actionPaste", standard(QKeySequence::Paste), table}}},
    };
    // clang-format on
}

// The Control combinations.
std::vector<KeyRow> controlKeyRows() {
    const KeyScope window = KeyScope::Window;
    const KeyScope shortcut = KeyScope::Shortcut;
    // clang-format off
    return {
        {"Control and Z       ", tr("undo"), {{"actionUndo", {control(Qt::Key_Z)}, shortcut}}},
        {"Control and Shift and Z, Control and Y   ", tr("redo"),
         {{"actionRedo", {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, control(Qt::Key_Y)}, shortcut}}},
        {"Control and O       ", tr("open a scale space file"),
         {{"actionOpen", standard(QKeySequence::Open), window}}},
        {"Control and S       ", tr("save; Control and Shift and S   save as"),
         {{"actionSave", standard(QKeySequence::Save), window},
          {"actionSaveAs", {Qt::CTRL | Qt::SHIFT | Qt::Key_S}, window}}},
        {"Control and Return  ", tr("make a tuning"),
         {{"actionMake", {control(Qt::Key_Return), control(Qt::Key_Enter)}, window}}},
        {"Control and .       ", tr("cancel making (also Control and Delete, without a current cell)"),
         {{"actionCancel", {control(Qt::Key_Period)}, shortcut},
          {"actionCancel", {control(Qt::Key_Delete)}, window}}},
        {"Control and Shift and Backspace   ", tr("clear the tuning (also Control and Backspace, without a current cell)"),
         {{"actionClear", {Qt::CTRL | Qt::SHIFT | Qt::Key_Backspace}, shortcut},
          {"actionClear", {control(Qt::Key_Backspace)}, window}}},
        {"Control and Up / Down       ", tr("maker precision dial up / down"),
         {{"actionDialUp", {control(Qt::Key_Up)}, window},
          {"actionDialDown", {control(Qt::Key_Down)}, window}}},
        {"Control and Left / Right    ", tr("weight attenuation down / up"),
         {{"actionAttenuationDown", {control(Qt::Key_Left)}, window},
          {"actionAttenuationUp", {control(Qt::Key_Right)}, window}}},
        {"Control and + / -   ", tr("one note more / fewer in the range"),
         {{"actionLargerRange", {control(Qt::Key_Plus)}, window},
          {"actionSmallerRange", {control(Qt::Key_Minus)}, window}}},
        {"Control and P       ", tr("play the tuning"),
         {{"actionPlayTuning", {control(Qt::Key_P)}, shortcut}}},
        {"Control and Q       ", tr("quit"), {{"actionQuit", {control(Qt::Key_Q)}, shortcut}}},
    };
    // clang-format on
}

std::vector<KeyRow> makeKeyTable() {
    std::vector<KeyRow> rows = singleKeyRows();
    for (KeyRow& row : controlKeyRows()) {
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

const std::vector<KeyRow>& keyTable() {
    static const std::vector<KeyRow> table = makeKeyTable();
    return table;
}

std::vector<KeyBinding> keyBindings() {
    std::vector<KeyBinding> bindings;
    for (const KeyRow& row : keyTable()) {
        bindings.insert(bindings.end(), row.bindings.begin(), row.bindings.end());
    }
    return bindings;
}

QString shortcutsText() {
    QString text = tr("Keys (single keys act while no text field has focus)\n");
    for (const KeyRow& row : keyTable()) {
        text += QStringLiteral("  ") + row.keys + row.description + QLatin1Char('\n');
    }
    return text +
           tr("\n"
              "Mouse\n"
              "  Click a cell            make it the current cell\n"
              "  Double-click a cell     type a size or weight (ratio, cents, fraction or mixed "
              "number)\n"
              "  Click a note's header   select or deselect the note\n"
              "  Shift and click         fix or unfix the note (note 1 is never fixed)\n"
              "  Control and click       the same for the note in every period shown\n"
              "  Right-click a header    insert, delete, select or fix notes\n"
              "  Hover a cell or header  its interval or the note's state\n");
}
