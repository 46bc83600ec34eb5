#pragma once

// quillmere-tune's MIDI options: --list-midi-ports, and --send-midi NAME, which sends the
// tuning's bulk dump (what --format syx writes) to an output port instead of writing it.

#include <QStringList>
#include <QTextStream>

#include <atomic>
#include <optional>

namespace tune {

// The command's exit status when the arguments hold a MIDI option; nothing otherwise, and the
// command runs as usual.
std::optional<int> runMidiCommand(const QStringList& arguments, QTextStream& out, QTextStream& err,
                                  std::atomic<bool>& cancelationRequest, bool showProgress);

} // namespace tune
