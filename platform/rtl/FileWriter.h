// The one way this program writes a file: WriteFileAtomic. Every file the program saves
// (settings, key files, string lists, streams, pictures) goes through it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rtl {

// Replaces the file FileName with Data as one step: afterwards the name holds either the
// whole old file or the whole new one, even across a crash or a full disk.
//
//  - The bytes go to a new temporary file in the same folder, created exclusively under a
//    random name nobody can guess (".<name>.<16 hex digits>.tmp"); it is written in full,
//    flushed to the disk, and renamed over FileName; then the folder is flushed too.
//  - A symbolic link at FileName is followed: the file it finally names is replaced and the
//    link stays a link. A link that names no existing file is refused (EFCreateError), so a
//    stale or planted link never makes a file appear somewhere else. A FileName that names
//    a folder, a device or anything but a regular file is refused the same way.
//  - A replaced file keeps its permission bits (and its owner and group where the writer
//    is allowed to set them); a new file gets 0666 less the umask.
//  - On any failure the old file is untouched, the temporary file is removed and an
//    exception says what went wrong: EFCreateError when the file cannot be created or
//    put in place ("Cannot create file ..."), EWriteError when the bytes cannot be written
//    ("Cannot write file ...").
void WriteFileAtomic(const std::string& FileName, const void* Data, std::size_t Size);
inline void WriteFileAtomic(const std::string& FileName, std::string_view Data) {
  WriteFileAtomic(FileName, Data.data(), Data.size());
}

}  // namespace rtl
