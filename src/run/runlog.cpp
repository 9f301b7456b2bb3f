#include "run/runlog.h"

#include <cstdio>

#include "run/context.h"
#include "run/exit.h"
#include "run/platform.h"

void WriteLog(const std::string& path, std::string_view message) {
  TextFile f;
  if (!f.Open(path, "a")) return;
  f.Write(message);
  f.Write("\n");
  if (f.Position() > kLogLimit) {
    f.Write(Cp1252("Abbruch wegen LogFile-Überlaufs !!"));
    f.Close();
    EndProcess(1);
  }
  f.Close();
}

void RotateLog(const std::string& path) {
  if (path.size() < 4) return;
  std::string base = path.substr(0, path.size() - 4);
  auto gen = [&](int n) { return Format("%s_%d.txt", base, n); };
  RemoveFile(gen(9));
  for (int n = 8; n >= 1; --n) RenameFile(gen(n), gen(n + 1));
  RenameFile(path, gen(1));
}

std::string LogFormatText(std::string_view utf8Format) { return Cp1252(utf8Format); }

void WriteRunLog(std::string_view message) { WriteLog(Ctx.LogPath, message); }
