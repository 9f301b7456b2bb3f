#include "control/modes.h"

#include <cerrno>

#include "calc/abrechnung.h"
#include "control/report.h"
#include "run/context.h"
#include "run/db.h"
#include "run/platform.h"
#include "run/runlog.h"

bool ParseModes(const std::vector<std::string>& argv) {
  ReportReset();
  for (size_t i = 6; i < argv.size(); ++i) {
    if (argv[i] == "--check") {
      Ctx.Check = true;
    } else if (argv[i] == "--preview") {
      Ctx.Preview = true;
      if (i + 1 >= argv.size() || argv[i + 1].empty()) {
        Log("Fehler beim Aufruf: --preview ohne Ordner");
        return false;
      }
      Ctx.PreviewDir = argv[++i];
    }
  }
  if (Ctx.Preview && Ctx.Check) {
    Log("Fehler beim Aufruf: --preview und --check zugleich");
    return false;
  }
  if (Ctx.Preview) {
    dbHoldCommits(true);
    Log("VORSCHAU: nichts wird übernommen, Dateien in den Ordner %s", Ctx.PreviewDir);
  }
  return true;
}

bool UsePreviewFolder() {
  // missing levels above the folder are created first; only the folder itself
  // decides
  const std::string& dir = Ctx.PreviewDir;
  for (size_t i = 1; i < dir.size(); ++i) {
    if ((dir[i] == '\\' || dir[i] == '/') && dir[i - 1] != ':' && dir[i - 1] != '\\' && dir[i - 1] != '/')
      MakeDir(dir.substr(0, i));
  }
  int err = MakeDir(dir);
  if (err != 0 && err != EEXIST) {
    Log("Vorschau-Ordner kann nicht erstellt werden: %s", Ctx.PreviewDir);
    return false;
  }
  Ctx.TransferDir = Ctx.PreviewDir;
  return true;
}

int FinishRun(int code) {
  bool connected = !Ctx.DbTime.empty();
  if (Ctx.Check) return Ctx.RunCompleted ? code : 2;
  if (connected) WriteRunReport(Ctx.RunCompleted, Ctx.Preview ? (Ctx.RunCompleted ? 0 : 1) : code);
  if (!Ctx.Preview) return code;
  // a rollback the server refuses has thrown; the connection ends the preview's transaction anyway
  if (connected) (void)dbRollback();
  dbHoldCommits(false);
  Log("VORSCHAU beendet, alle Änderungen zurückgenommen: %s", Cp1252(Ctx.RunCompleted ? "vollständig" : "abgebrochen"));
  return Ctx.RunCompleted ? 0 : 1;
}
