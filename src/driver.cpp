#include "driver.h"

#include <cerrno>
#include <cstdio>

#include "control/check.h"
#include "control/control.h"
#include "control/modes.h"
#include "export/dispatch.h"
#include "run/config.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/platform.h"
#include "run/runlog.h"
#include "run/text.h"

namespace {

constexpr const char* kIniPath = "..\\Files\\quantivel.ini";
constexpr const char* kLogPath = "..\\Quantivel_php\\log\\log#lug.txt";
constexpr size_t kNet8Max = 41;     // NET8 value of the configuration file
constexpr size_t kArgNet8Max = 40;  // argument 1
constexpr size_t kSchemaMax = 40;
constexpr size_t kAkrMax = 7;

int g_runLockWait = kRunLockWaitSeconds;

void Console(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

std::string MaskPassword(const std::string& pw) { return pw.empty() ? std::string() : std::string("********"); }

// Arguments are copied into fixed fields; longer ones are refused before the
// database is touched.
bool ArgumentFits(const std::string& value, size_t max, int number) {
  if (value.size() <= max) return true;
  Log("Fehler beim Aufruf, Parameter %d zu lang (höchstens %d Zeichen): %s", number, static_cast<int>(max), value);
  return false;
}

void WritePointerFile() {
  TextFile f;
  if (!f.Open(Cp1252("..\\Transfer\\Lohn- und Gehaltsübergabe\\README.TXT"), "w")) return;
  f.Write(Cp1252("\nDie aktuelle LuG-Übergabedateien finden Sie im Ordner : \n\n     \"..\\Transfer\\Lohn und "
                 "Gehalt\" \n \nund dort in dem Ihrem Schema (Firma) zugeordneten Unterverzeichnis !!!"));
  f.Close();
}

int Run(const std::vector<std::string>& argv) {
  Ctx = RunContext{};
  Ctx.LogPath = kLogPath;
  Log("\n\nProtokollierung gestartet, V%s", kVersion);

  int argc = static_cast<int>(argv.size());
  if (argc < 6) {
    Console(Format("Fehler, Anzahl Parameter: %d", argc));
    Log("Fehler beim Aufruf, Anzahl Parameter: %d", argc);
    return 0;
  }

  std::vector<std::string> args(argv);
  for (int i = 1; i < argc; ++i) {
    auto blank = args[static_cast<size_t>(i)].find(' ');
    if (blank != std::string::npos) args[static_cast<size_t>(i)].resize(blank);
  }

  if (!ArgumentFits(args[1], kArgNet8Max, 1) || !ArgumentFits(args[2], kSchemaMax, 2) ||
      !ArgumentFits(args[3], kAkrMax, 3))
    return 0;

  Ctx.Net8 = args[1];
  Ctx.Schema = args[2];
  Ctx.Akr = args[3];
  Ctx.Abrnr = ToLong(args[4]);
  Ctx.AbrnrStart = Ctx.Abrnr;
  Ctx.CallMode = static_cast<int16_t>(ToLong(args[5]));
  Ctx.InterimFlag = Ctx.CallMode == 1 ? 1 : 0;
  Ctx.PnrFilter.clear();

  if (argc > 6 && !args[6].empty()) {
    std::string filter = args[6];
    ToUpper(filter);
    if (filter.compare(0, 2, "/P") == 0 && filter.size() >= 2 && filter.size() <= 10) {
      Ctx.PnrFilter = filter.substr(2);
      Log("     FILTER AUF PNR: %s GESETZT !!", Ctx.PnrFilter);
    }
  }
  if (!ParseModes(argv)) return 0;

  std::string user = ReadIniValue("", "LOGIN", 0, NativePath(kIniPath));
  std::string password = ReadIniValue("", "PASS", 0, NativePath(kIniPath));
  std::string net8 = ReadIniValue("", "NET8", 0, NativePath(kIniPath));
  if (!net8.empty() && net8.size() <= kNet8Max) Ctx.Net8 = net8;

  ToUpper(Ctx.Schema);

  int st = dbConnect(user, password, Ctx.Net8, Ctx.Schema);
  if (st != 0) {
    Console(Format("dbConnect_Status: %d\n", st));
    Log("dbConnect-Fehler: %d", st);
    // the password is not written to the log
    Log("Benutzer: %s,  Passwort: %s,  Net8: %s,  Schema: %s", user, MaskPassword(password), Ctx.Net8, Ctx.Schema);
    return 0;
  }

  st = AlterSession();
  if (st != 0) {
    Console(Format("Alter_Session_Status: %d\n", st));
    Log("AlterSession-Fehler: %d", st);
    return 0;
  }

  // One run per schema and circle at a time: a second run waits for the
  // first to end, and gives up without touching anything when it does not.
  int32_t locked = 0;
  st = SQL_GetRunLock(Ctx.Schema, Ctx.Akr, g_runLockWait, locked);
  if (st != 0 || locked != 1) {
    if (st != 0)
      Log("Sperre für Akr %s, Schema %s kann nicht gesetzt werden, Fehler: %d", Ctx.Akr, Ctx.Schema, st);
    else
      Log("Übergabe für Akr %s, Schema %s läuft bereits, nach %d Sekunden Wartezeit nicht gestartet", Ctx.Akr,
          Ctx.Schema, g_runLockWait);
    return 0;
  }
  // From here until the normal end the circle's status says "started".
  Ctx.LastStatus = SQL_O1001AbrKreis_SetAdt(Ctx.Akr, kAdtStarted);
  dbCommit();

  Ctx.MndSto.clear();
  st = SQL_Qvx112Mnd_GetSto(Ctx.Schema, Ctx.MndSto);
  if (st != 0) {
    Ctx.MndSto.clear();
    Log("Standortnummer kann nicht ermittelt werden! Error: %d", st);
    // no result is no "no row": nothing read may be trusted then
    if (st == -1) AbortRun(60);
  }

  Ctx.AkrSsl = 1;
  Ctx.LastStatus = SQL_O1001AbrKreis_GetSsl(Ctx.Akr, Ctx.AkrSsl, Ctx.AkrAzr);
  // a missing row leaves the preset; a failed read must not clear the interface
  if (Ctx.LastStatus == -1) AbortRun(60);
  if (Ctx.AkrSsl == 1) {
    if (!Ctx.Preview && !Ctx.Check) RotateLog(Ctx.LogPath);
    Log("\n\nProtokollierung gestartet, V%s", kVersion);
    Log("Schnittstelle leeren");
    if (!Ctx.PnrFilter.empty()) Log("\n     FILTER AUF PNR: %s GESETZT !!\n", Ctx.PnrFilter);
  }

  Ctx.LastStatus = SQL_GetSysdate(Ctx.DbTime);
  if (Ctx.LastStatus == -1) AbortRun(60);
  Log("LuG-Uebergabe Akr:%s, Schema:%s am %s gestartet", Ctx.Akr, Ctx.Schema, Ctx.DbTime);

  if (Ctx.Check) {
    int code = RunCheck();
    Ctx.RunCompleted = true;
    return code;
  }

  // the transfer directory is created level by level; existing levels are fine
  const char* levels[] = {"..\\Transfer", "\\Lohn und Gehalt", "\\Export"};
  std::string dir;
  int err = 0;
  for (const char* level : levels) {
    dir += level;
    err = MakeDir(dir);
    if (err != 0 && err != EEXIST) break;
  }
  if (err == 0 || err == EEXIST) {
    dir += "\\" + Ctx.Schema;
    err = MakeDir(dir);
  } else {
    dir += "\\" + Ctx.Schema;
  }
  Ctx.TransferDir = dir;
  if (err != 0 && err != EEXIST) {
    Log("Übergabeverzeichnis kann nicht erstellt werden!");
    return 0;
  }
  if (Ctx.Preview && !UsePreviewFolder()) return 0;

  SettlementControl();

  dbCommit();

  ExportDispatch();

  if (!Ctx.Preview) WritePointerFile();

  Ctx.LastStatus = SQL_GetSysdate(Ctx.DbTime);
  Log("LuG-Uebergabe Akr: %s, Abrnr: %ld am %s beendet", Ctx.Akr, Ctx.Abrnr, Ctx.DbTime);
  Console(Format("\nLohn und Gehaltuebergabe fuer Akr: %s und Abrnr: %ld ist beendet", Ctx.Akr, Ctx.Abrnr));

  Ctx.LastStatus = SQL_O1001AbrKreis_SetAdt(Ctx.Akr, kAdtDone);
  Ctx.RunCompleted = true;
  return dbCommit();
}

}  // namespace

int SQL_GetSysdate(std::string& out) {
  return SqlSelectOne(SqlFormat("SELECT date_format(sysdate(),'%%d.%%m.%%Y %%H:%%i:%%s')"), out);
}

int SQL_Qvx112Mnd_GetSto(const std::string& schema, std::string& mndSto) {
  return SqlSelectOne(SqlFormat("SELECT MndSto FROM Darvonix.Qvx112Mnd WHERE UPPER(MndSch) = '%s'", schema), mndSto);
}

int SQL_O1001AbrKreis_GetSsl(const std::string& akr, int16_t& ssl, int16_t& azr) {
  return SqlSelectOne(SqlFormat("SELECT AkrSsl, AkrAzr  FROM O1001AbrKreis WHERE AkrNum = '%s'", akr), ssl, azr);
}

int SQL_GetRunLock(const std::string& schema, const std::string& akr, int waitSeconds, int32_t& got) {
  return SqlSelectOne(SqlFormat("SELECT GET_LOCK('lugtransfer %s %s', %d)", schema, akr, waitSeconds), got);
}

void SetRunLockWait(int seconds) { g_runLockWait = seconds; }

int RunMain(const std::vector<std::string>& args) {
  KeepFreedMemory();
  int code;
  try {
    code = Run(args);
  } catch (const ProcessExit& e) {
    code = e.code;
  }
  try {
    code = FinishRun(code);
  } catch (const ProcessExit& e) {
    code = e.code;
  }
  dbDisconnect();
  CloseRunLog();
  return code;
}
