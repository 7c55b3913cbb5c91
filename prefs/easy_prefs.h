// EasyPrefs: the program's settings, a plain-text file of alternating key and
// value lines in the user's configuration folder ($XDG_CONFIG_HOME, else
// ~/.config). The whole file is read once at start-up, every lookup and change
// works on memory, and the file is rewritten once, at quit.
//
// Keys match without regard to letter case; the first entry with a key wins,
// and later duplicates are kept and written back. Booleans are the words
// "true" and "false". Nothing here reports an error: a file or folder that
// cannot be read or written leaves the lookups on their defaults.
//
// Only the user-interface thread calls these functions.
#pragma once

#include <QString>

namespace EasyPrefs {

// Reads the file called name in the configuration folder into memory, or
// creates it empty when it is not there. Call once, before anything else.
void InitPrefFile(const QString& name);

QString GetPrefString(const QString& key, const QString& defaultValue);
bool GetPrefBoolean(const QString& key, bool defaultValue);
void SetPrefString(const QString& key, const QString& value);
void SetPrefBoolean(const QString& key, bool value);

// Replaces the file with the entries in memory. The new content is written
// beside the old file and renamed over it, so a crash part-way leaves the old
// file whole.
void WritePrefsFile();

// The file InitPrefFile chose; empty before it runs.
QString PrefFilePath();

// Forgets every entry and the file, as at process start. For tests, which
// start the store afresh for each case.
void ResetPrefs();

}  // namespace EasyPrefs
