// Platform layer: native paths, Windows-1252 text, CR LF text files, directories.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Turns a path written with backslashes relative to the working directory
// ("..\Transfer\Lohn und Gehalt") into the native path of this platform as
// UTF-8 text (POSIX file systems take UTF-8; Windows takes it through the
// wide-character calls of the functions below). The path is Windows-1252 text.
std::string NativePath(std::string_view winPath);

// Source literals are UTF-8; inside the program all text is Windows-1252.
// Characters without a Windows-1252 code become '?'.
std::string Cp1252(std::string_view utf8);
// Appends the UTF-8 bytes of a code point of the Basic Multilingual Plane.
void AppendUtf8(std::string& out, unsigned codePoint);
// Windows-1252 back to UTF-8 (file names, test output).
std::string Utf8(std::string_view cp1252);

// File operations by path. On Windows they go through the wide-character
// calls, so that names with umlauts ("Lohn- und Gehaltsübergabe") are found
// whatever the ANSI code page of the machine.
//
// Creates one directory level. Returns 0 on success, else the errno value
// (EEXIST when the directory is there already).
int MakeDir(std::string_view winPath);
// Freed memory is kept for reuse instead of being handed back to the system
// and faulted in again: the batches of a run allocate and free blocks of the
// same sizes over and over. Only a few megabytes are kept, so that the
// process holds about the memory it uses. Called once at the start of a run.
void KeepFreedMemory();
// Opens a file like fopen (mode "rb", "wb", "ab", ...); nullptr on failure.
std::FILE* OpenFile(std::string_view winPath, const char* mode);
// Remove a file (never a directory), rename a file (an existing file of the
// new name is replaced): 0 on success, else the errno value.
int RemoveFile(std::string_view winPath);
int RenameFile(std::string_view fromWinPath, std::string_view toWinPath);
// Size of the file in bytes; -1 when there is none (or it cannot be told).
long FileSize(std::string_view winPath);

// A file written in text mode: every line feed is stored as CR LF, whatever
// the platform. Every write is checked; Failed() reports the first error.
class TextFile {
 public:
  TextFile() = default;
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // mode: "w" (create or truncate) or "a" (append). Returns false when the
  // file cannot be opened.
  bool Open(std::string_view winPath, const char* mode);
  bool IsOpen() const { return fp_ != nullptr; }
  // Writes text; each '\n' becomes "\r\n". Returns false on a write error.
  bool Write(std::string_view text);
  // Current size of the file in bytes, -1 when unknown.
  long Position();
  // Flushes and closes; returns false when the data could not be written.
  bool Close();
  bool Failed() const { return failed_; }
  // The open file is the one the path names now (not renamed, removed or
  // replaced since it was opened). Always false where that cannot be told
  // cheaply (Windows): a file kept open there would also stop others from
  // renaming it.
  // size: the file's size now, when it is.
  bool StillAt(std::string_view winPath, long* size = nullptr);
  // Writes what is buffered; false on a write error.
  bool Flush();
#ifdef _WIN32
  static constexpr bool kCanTellPath = false;
#else
  static constexpr bool kCanTellPath = true;
#endif

 private:
  std::FILE* fp_ = nullptr;
  bool failed_ = false;
  // the file opened (device and inode; the inode of an open file is not
  // given to another one)
  bool known_ = false;
  unsigned long long dev_ = 0, ino_ = 0;
};
