#include "control/modes.h"

#include <cerrno>

#include "calc/settlement.h"
#include "control/report.h"
#include "run/context.h"
#include "run/db.h"
#include "run/platform.h"
#include "run/run_log.h"

namespace {
bool LooksLikeOption(const std::string& arg) { return !arg.empty() && (arg[0] == '-' || arg[0] == '/'); }
bool IsFilter(const std::string& arg) { return arg.size() >= 2 && arg[0] == '/' && (arg[1] == 'P' || arg[1] == 'p'); }
}  // namespace

ModeRequest ReadModes(const std::vector<std::string>& argv) {
  ModeRequest m;
  auto mistake = [&m](const std::string& text) {
    if (m.Mistake.empty()) m.Mistake = text;
  };
  for (size_t i = 6; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (arg == "--check") {
      m.Check = true;
    } else if (arg == "--preview") {
      // a folder named like an option is taken for a forgotten folder
      if (i + 1 >= argv.size() || argv[i + 1].empty() || argv[i + 1][0] == '-') {
        mistake(Cp1252("--preview ohne Ordner"));
      } else {
        if (m.Preview) mistake(Cp1252("--preview mehrfach angegeben"));
        m.PreviewDir = argv[++i];
      }
      m.Preview = true;
    } else if (i == 6 && IsFilter(arg)) {
      // the personnel-number filter of the positional call
    } else if (IsFilter(arg)) {
      mistake(Cp1252("/P<Pnr> steht direkt nach Mode, vor den Optionen: ") + arg);
    } else if (LooksLikeOption(arg)) {
      mistake(Cp1252("unbekannte Option: ") + arg);
    }
    // any other further argument is ignored, as it always was
  }
  if (m.Preview && m.Check) mistake(Cp1252("--preview und --check zugleich"));
  return m;
}

void StartModes(RunContext& ctx, const ModeRequest& modes) {
  ctx.Check = modes.Check;
  ctx.Preview = modes.Preview;
  ctx.PreviewDir = modes.PreviewDir;
  if (ctx.Preview) {
    dbHoldCommits(true);
    Log("VORSCHAU: nichts wird übernommen, Dateien in den Ordner %s", ctx.PreviewDir);
  }
}

bool UsePreviewFolder(RunContext& ctx) {
  // missing levels above the folder are created first; only the folder itself
  // decides
  const std::string& dir = ctx.PreviewDir;
  for (size_t i = 1; i < dir.size(); ++i) {
    if ((dir[i] == '\\' || dir[i] == '/') && dir[i - 1] != ':' && dir[i - 1] != '\\' && dir[i - 1] != '/')
      MakeDir(dir.substr(0, i));
  }
  int err = MakeDir(dir);
  if (err != 0 && err != EEXIST) {
    Log("Vorschau-Ordner kann nicht erstellt werden: %s", ctx.PreviewDir);
    return false;
  }
  ctx.TransferDir = ctx.PreviewDir;
  return true;
}

int FinishRun(const RunContext& ctx, int code) {
  bool connected = !ctx.DbTime.empty();
  if (ctx.Check) {
    code = ctx.RunCompleted ? code : 2;
    if (connected) WriteRunReport(ctx, ctx.RunCompleted, code);
    return code;
  }
  if (connected) WriteRunReport(ctx, ctx.RunCompleted, ctx.Preview ? (ctx.RunCompleted ? 0 : 1) : code);
  if (!ctx.Preview) return code;
  // a rollback the server refuses has thrown; the connection ends the preview's transaction anyway
  if (connected) (void)dbRollback();
  dbHoldCommits(false);
  Log("VORSCHAU beendet, alle Änderungen zurückgenommen: %s", Cp1252(ctx.RunCompleted ? "vollständig" : "abgebrochen"));
  return ctx.RunCompleted ? 0 : 1;
}
