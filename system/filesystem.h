#pragma once
#include "system/fix_path.h"
#include "system/stream.h"

namespace qm {

// File and directory operations. Every path is fixed first (FixPath):
// backslashes become "/", so either separator may be used. None of these
// raise; failure shows as a null stream, handle 0, "" or false.

// url is a plain path or protocol "::" path. Both flags: "r+b" (the file
// must exist and be writable); writeable only: "wb" (created, or emptied at
// once); otherwise "rb". A stream that cannot report its position is read
// whole into memory and served from there.
StreamPtr OpenFile(const String& url, bool readable, bool writeable);
StreamPtr ReadFile(const String& url);
StreamPtr WriteFile(const String& url);
// Closes stream (null is allowed); result 0.
int CloseFile(TStream* stream);
inline int CloseFile(const StreamPtr& stream) { return CloseFile(stream.get()); }

// A directory listing as a small integer handle, 0 when the directory cannot
// be opened. One trailing "/" is dropped, except from the root "/".
int ReadDir(const String& path);
// The next entry in the system's order, "." and ".." included; "" when the
// listing is exhausted or the handle is not an open listing (0 included).
String NextFile(int handle);
// Ends the listing; result 0, also for 0 and unknown handles.
int CloseDir(int handle);

// 1 for a regular file, 2 for a directory (following symbolic links), 0 for
// nothing there or any other kind of entry.
int FileType(const String& path);

// The text after the last "." when no "/" follows it, else "".
String ExtractExt(const String& path);
// The text after the last "/", or the whole fixed path.
String StripDir(const String& path);
// The text before the last "." when no "/" follows it, else the whole
// fixed path.
String StripExt(const String& path);

// The working directory, with no trailing "/" except for the root; "" when
// the system cannot tell.
String CurrentDir();

// Removes a file or an empty directory; true when nothing is left at path,
// whether it was removed now or never existed.
bool DeleteFile(const String& path);

}  // namespace qm
