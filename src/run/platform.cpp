#include "run/platform.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/types.h>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Windows-1252 code points of the bytes 0x80 to 0x9F (0 = undefined).
const char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                            0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Cp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      len = 2;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < utf8.size()) {
      cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
      len = 3;
    } else if ((c & 0xF8) == 0xF0 && i + 3 < utf8.size()) {
      cp = 0x110000;  // outside the code page
      len = 4;
    } else {
      cp = '?';
      len = 1;
    }
    i += len;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k) {
      if (kHigh[k] != 0 && kHigh[k] == cp) {
        mapped = static_cast<char>(0x80 + k);
        break;
      }
    }
    out += mapped;
  }
  return out;
}

std::string Utf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (char ch : cp1252) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else if (c < 0xA0) {
      unsigned cp = kHigh[c - 0x80];
      AppendUtf8(out, cp ? cp : 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::string NativePath(std::string_view winPath) {
  std::string p = Utf8(winPath);
#ifdef _WIN32
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
#else
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
#endif
  return p;
}

#ifdef _WIN32
namespace {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::wstring WidePath(std::string_view winPath) { return Wide(NativePath(winPath)); }

}  // namespace

int MakeDir(std::string_view winPath) {
  if (::_wmkdir(WidePath(winPath).c_str()) == 0) return 0;
  return errno;
}

std::FILE* OpenFile(std::string_view winPath, const char* mode) {
  return ::_wfopen(WidePath(winPath).c_str(), Wide(mode).c_str());
}

int RemoveFile(std::string_view winPath) {
  if (::_wremove(WidePath(winPath).c_str()) == 0) return 0;
  return errno;
}

int RenameFile(std::string_view fromWinPath, std::string_view toWinPath) {
  // an existing file of the new name is replaced, as rename does on POSIX
  if (MoveFileExW(WidePath(fromWinPath).c_str(), WidePath(toWinPath).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return 0;
  return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
}

long FileSize(std::string_view winPath) {
  struct _stat64 st;
  if (::_wstat64(WidePath(winPath).c_str(), &st) != 0) return -1;
  return st.st_size > LONG_MAX ? LONG_MAX : static_cast<long>(st.st_size);
}
#else
int MakeDir(std::string_view winPath) {
  if (::mkdir(NativePath(winPath).c_str(), 0777) == 0) return 0;
  return errno;
}

std::FILE* OpenFile(std::string_view winPath, const char* mode) {
  return std::fopen(NativePath(winPath).c_str(), mode);
}

int RemoveFile(std::string_view winPath) {
  // a directory of the name is never removed
  if (::unlink(NativePath(winPath).c_str()) == 0) return 0;
  return errno;
}

int RenameFile(std::string_view fromWinPath, std::string_view toWinPath) {
  if (std::rename(NativePath(fromWinPath).c_str(), NativePath(toWinPath).c_str()) == 0) return 0;
  return errno;
}

long FileSize(std::string_view winPath) {
  struct stat st;
  if (::stat(NativePath(winPath).c_str(), &st) != 0) return -1;
  return st.st_size > LONG_MAX ? LONG_MAX : static_cast<long>(st.st_size);
}
#endif

TextFile::~TextFile() {
  if (fp_) std::fclose(fp_);
}

bool TextFile::Open(std::string_view winPath, const char* mode) {
  if (fp_) Close();
  failed_ = false;
  known_ = false;
  std::string m = mode;
  m += 'b';
  fp_ = OpenFile(winPath, m.c_str());
  return fp_ != nullptr;
}

bool TextFile::Write(std::string_view text) {
  if (!fp_) return false;
  std::string buf;
  buf.reserve(text.size() + 16);
  for (char c : text) {
    if (c == '\n') buf += '\r';
    buf += c;
  }
  if (std::fwrite(buf.data(), 1, buf.size(), fp_) != buf.size()) failed_ = true;
  return !failed_;
}

bool TextFile::StillAt(std::string_view winPath, long* size) {
#ifdef _WIN32
  (void)winPath;
  (void)size;
  return false;
#else
  if (!fp_) return false;
  if (!known_) {
    struct stat open {};
    if (::fstat(::fileno(fp_), &open) != 0) return false;
    dev_ = static_cast<unsigned long long>(open.st_dev);
    ino_ = static_cast<unsigned long long>(open.st_ino);
    known_ = true;
  }
  struct stat named {};
  if (::stat(NativePath(winPath).c_str(), &named) != 0 || static_cast<unsigned long long>(named.st_dev) != dev_ ||
      static_cast<unsigned long long>(named.st_ino) != ino_)
    return false;
  if (size) *size = static_cast<long>(named.st_size);
  return true;
#endif
}

bool TextFile::Flush() {
  if (!fp_) return false;
  if (std::fflush(fp_) != 0) failed_ = true;
  return !failed_;
}

long TextFile::Position() {
  if (!fp_) return -1;
  if (std::fflush(fp_) != 0) failed_ = true;
  return std::ftell(fp_);
}

bool TextFile::Close() {
  if (!fp_) return !failed_;
  if (std::fflush(fp_) != 0) failed_ = true;
  if (std::fclose(fp_) != 0) failed_ = true;
  fp_ = nullptr;
  return !failed_;
}

void KeepFreedMemory() {
#if defined(__GLIBC__)
  static bool done = false;
  if (done) return;
  done = true;
  // Blocks of a megabyte and more (results of whole ranges, batches of rows)
  // come from the system and go back to it when freed; up to 8 MB freed at
  // the top of the heap are kept. Two arenas: the threads that read ahead
  // would otherwise each keep an arena of their own with the freed results
  // of their reads, and the process would hold several times the memory it
  // uses.
  mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);
  mallopt(M_TOP_PAD, 4 * 1024 * 1024);
  mallopt(M_ARENA_MAX, 2);
#endif
}
