#pragma once

#include "storage/dbcurrnet.h"
#include "storage/scalespaceread.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>

// The library folder of scale space files and the built-in scale spaces in it. A scale
// space's name is its file's base name; files elsewhere are reached by folder or URL.
namespace dbManager {

// Makes the library folder and writes the built-in scale spaces afresh; other files in the
// folder are left alone. Called once at start.
void initialise();

// The size pattern of a built-in scale space by its index in the shared list of built-in
// names ("5edo" first), as initialise() writes it; empty for another index.
SizePattern builtInPattern(const int& index);

// The file name + "." + the extension in the folder, opened (and created if missing); null
// when it cannot be opened.
std::unique_ptr<dbCurrnet> openDatabase(const QString& name, const QString& folder);
// The URL's local file exactly as given, no extension added; null when it cannot be opened.
std::unique_ptr<dbCurrnet> openDatabase(const QUrl& url);

// Creates the named file in the library folder if it is missing; whether it can be opened.
bool createDatabase(const QString& name);
bool createDatabase(const QUrl& url);

// The names of the scale space files in the library folder, ignoring case in the order.
QStringList databases();

// Reads a scale space file read-only: never creates, grows or changes any file. `interrupt`,
// when given, is polled while reading and stops the read (failure Interrupted).
ScaleSpaceRead readScaleSpace(const QString& path, const std::atomic<bool>* interrupt = nullptr);

// A few words for a status line, e.g. "the file does not exist", "it is not a scale space
// file", "the file is damaged", "the file holds no notes", "reading was interrupted".
QString describeReadFailure(ReadFailure failure);
// Writes the pattern as a new scale space file beside the path and renames it over the path
// once it reads back whole, so that the path holds the old file or the new one, never a part
// and never anything the old file's schema did. Why not, when it fails.
// The extras, when given, are written beside the sizes in the same file.
std::optional<QString> writeScaleSpace(const QString& path, const SizePattern& pattern,
                                       const StoredExtras& extras = StoredExtras());

} // namespace dbManager
