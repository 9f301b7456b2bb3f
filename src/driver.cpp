#include "driver.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <system_error>
#include <thread>

#include "control/check.h"
#include "control/control.h"
#include "control/modes.h"
#include "export/dispatch.h"
#include "run/config.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/platform.h"
#include "run/run_log.h"
#include "run/server_check.h"
#include "run/text.h"

namespace {

constexpr const char* kIniPath = "..\\Files\\quantivel.ini";
// Client options of the connection (TLS), beside the configuration file.
constexpr const char* kClientOptionsPath = "..\\Files\\lugtransfer.cnf";
constexpr const char* kLogPath = "..\\Quantivel_php\\log\\log#lug.txt";
constexpr size_t kNet8Max = 41;     // NET8 value of the configuration file
constexpr size_t kArgNet8Max = 40;  // argument 1
constexpr size_t kSchemaMax = 40;
constexpr size_t kAkrMax = 7;

int g_runLockWait = kRunLockWaitSeconds;
int g_retryPauseMs = kRetryPauseMs;

void Console(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// What the program tells beyond the calling application's console lines goes
// to standard error (Windows-1252 like the console lines), so that the
// standard output stays what the calling application reads.
void ConsoleError(const std::string& cp1252) {
  std::fwrite(cp1252.data(), 1, cp1252.size(), stderr);
  std::fflush(stderr);
}

// The short form after a mistake; the whole text (with the exit codes) on
// --help.
constexpr const char* kSynopsis =
    "Aufruf: lugtransfer <Net8> <Schema> <Akr> <Abrnr> <Mode> [/P<Pnr>] [--preview <Ordner> | --check]\n"
    "        lugtransfer --help | -h | /? | --version\n";

std::string Usage() {
  return std::string(kSynopsis) +
         Format(
             "\n"
             "  Net8     Datenbankserver: Host, Host:Port oder Socket-Pfad (der Wert NET8 der\n"
             "           Konfigurationsdatei hat Vorrang); hoechstens %d Zeichen\n"
             "  Schema   Schema des Mandanten; hoechstens %d Zeichen\n"
             "  Akr      Abrechnungskreis; hoechstens %d Zeichen\n"
             "  Abrnr    Abrechnungsnummer, eine Zahl\n"
             "  Mode     1 = Zwischenabrechnung, jeder andere Wert = Endabrechnung\n"
             "  /P<Pnr>  nur diese Personalnummer (hoechstens 8 Zeichen)\n"
             "  --preview <Ordner>  der ganze Lauf, an seinem Ende zurueckgenommen; die\n"
             "                      Dateien gehen in den Ordner\n"
             "  --check             prueft Einstellungen und Daten, schreibt nichts\n"
             "\n"
             "Arbeitsverzeichnis: der Ordner bin der Installation (..\\Files\\quantivel.ini,\n"
             "..\\Quantivel_php\\log\\log#lug.txt, ..\\Transfer).\n"
             "\n"
             "Exit-Code (und AkrAdt des Abrechnungskreises):\n"
             "  Lauf          1  normales Ende (AkrAdt 98) oder Abbruch (AkrAdt 60 oder 1)\n"
             "                0  vor der Abrechnung beendet: falsche Anzahl Parameter, zu\n"
             "                   lange Angabe, keine Verbindung, Kreis von einem anderen\n"
             "                   Lauf belegt, Voraussetzungen des Servers fehlen (AkrAdt\n"
             "                   unveraendert); Zwischenabrechnung ausserhalb der Periode,\n"
             "                   Uebergabeverzeichnis nicht anlegbar (AkrAdt 1); normales\n"
             "                   Ende, dessen letzter Commit scheitert\n"
             "  --preview     0  vollstaendig, 1 abgebrochen (AkrAdt unveraendert)\n"
             "  --check       0  nichts gefunden, 2 Probleme gefunden oder Pruefung nicht\n"
             "                   moeglich (AkrAdt unveraendert)\n"
             "  Aufruffehler %d  unbekannte Option, --preview ohne Ordner oder mit --check,\n"
             "                   Abrnr keine Zahl (nichts geaendert, AkrAdt unveraendert)\n"
             "  --help, --version  0\n",
             static_cast<int>(kArgNet8Max), static_cast<int>(kSchemaMax), static_cast<int>(kAkrMax), kExitUsage);
}

// A mistake at the console (Windows-1252 text): logged, and told with the
// usage on standard error.
void UsageMistake(const std::string& text) {
  Log("Fehler beim Aufruf: %s", text);
  ConsoleError("lugtransfer: " + text + "\n" + kSynopsis);
}

bool Asks(const std::vector<std::string>& argv, std::initializer_list<const char*> options) {
  for (size_t i = 1; i < argv.size(); ++i) {
    for (const char* o : options) {
      if (argv[i] == o) return true;
    }
  }
  return false;
}

// A positional argument that is an option (or the filter) stands where the
// five positional ones belong: a forgotten argument before it. Net8 may be a
// socket path, and the numbers may carry a sign.
std::string MisplacedOption(const std::vector<std::string>& args) {
  for (int i = 1; i <= 5; ++i) {
    const std::string& a = args[static_cast<size_t>(i)];
    if (a.empty()) continue;
    bool number =
        (i == 4 || i == 5) && a.size() > 1 && a[0] == '-' && a.find_first_not_of("0123456789", 1) == std::string::npos;
    if ((a[0] == '-' && !number) || (a[0] == '/' && i > 1))
      return Format(Cp1252("Parameter %d ist eine Option: %s (Optionen stehen nach Mode und /P<Pnr>)"), i, a);
  }
  return std::string();
}

// The accounting number is a number as a whole: "abc" or "11x" is a mistake,
// not 0 or 11.
bool IsNumber(const std::string& s) {
  size_t i = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  return i < s.size() && s.find_first_not_of("0123456789", i) == std::string::npos;
}

// UTF-8 text of a path and back, right on every platform.
std::string PathText(const std::filesystem::path& p) {
  std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}
std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string WorkingDirectory() {
  std::error_code ec;
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::string("?") : PathText(cwd);
}

// The run log's whole path (Windows-1252), for the console.
std::string LogPathText() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(PathOf(NativePath(kLogPath)), ec);
  return Cp1252(ec ? NativePath(kLogPath) : PathText(p.lexically_normal()));
}

// A configuration file or a log folder that is not there means the program
// was started in the wrong working directory (or the installation is
// incomplete); the connection failure that follows would not say so.
void CheckInstallation() {
  std::error_code ec;
  const std::string ini = NativePath(kIniPath);
  if (!std::filesystem::is_regular_file(PathOf(ini), ec)) {
    Log("Konfigurationsdatei %s nicht gefunden (Arbeitsverzeichnis %s)", Cp1252(ini), Cp1252(WorkingDirectory()));
    ConsoleError(Cp1252("lugtransfer: Konfigurationsdatei " + ini + " nicht gefunden (Arbeitsverzeichnis " +
                        WorkingDirectory() + ")\n"));
  }
  std::string logDir = NativePath(kLogPath);
  logDir.resize(logDir.find_last_of("/\\"));
  if (!std::filesystem::is_directory(PathOf(logDir), ec)) {
    ConsoleError(Cp1252("lugtransfer: Protokollordner " + logDir + " nicht gefunden (Arbeitsverzeichnis " +
                        WorkingDirectory() + "), das Protokoll dieses Laufs geht verloren\n"));
  }
}

// One line: the last log message, with the one before it when the last is
// only the abort routine's status line.
std::string StopReasonFromLog() {
  auto [previous, last] = LastRunLogMessages();
  auto clean = [](std::string s) {
    for (char& c : s) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    return Trim(s);
  };
  previous = clean(previous);
  last = clean(last);
  if (!previous.empty() && last.rfind(Cp1252("Abbruch wegen Fehler, Status:"), 0) == 0) return previous + " - " + last;
  return last;
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
  f.Write(
      Cp1252("\nDie aktuelle LuG-Übergabedateien finden Sie im Ordner : \n\n     \"..\\Transfer\\Lohn und "
             "Gehalt\" \n \nund dort in dem Ihrem Schema (Firma) zugeordneten Unterverzeichnis !!!"));
  f.Close();
}

// A named server lock held until the connection ends. A lock that another
// run holds is waited for up to waitSeconds, and the wait is logged once, so
// that an administrator sees why nothing happens.
int TakeServerLock(const std::string& name, int waitSeconds, int32_t& got) {
  got = 0;
  int st = SQL_GetNamedLock(name, 0, got);
  if (st != 0 || got == 1 || waitSeconds <= 0) return st;
  Log("Sperre '%s' wird von einem anderen Lauf gehalten, Wartezeit bis zu %d Sekunden", name, waitSeconds);
  ConsoleError(Format(Cp1252("lugtransfer: Sperre '%s' wird von einem anderen Lauf gehalten, Wartezeit bis zu %d "
                             "Sekunden (Protokoll: %s)\n"),
                      name, waitSeconds, LogPathText()));
  return SQL_GetNamedLock(name, waitSeconds, got);
}

// A lost connection is thrown to the driver while one of these lives.
struct LossAnswered {
  LossAnswered() { dbAnswerConnectionLoss(true); }
  ~LossAnswered() { dbAnswerConnectionLoss(false); }
  LossAnswered(const LossAnswered&) = delete;
  LossAnswered& operator=(const LossAnswered&) = delete;
};

// The run key of the memo records: the database time of the start, unless a
// run of the schema that is still going holds it (runs started in the same
// second); then the next second that no running run holds. Each run holds the
// lock of its key until its connection ends, and the keys are taken one run
// at a time.
void TakeRunKey(RunContext& ctx) {
  ctx.RunKey = ctx.DbTime;
  int32_t got = 0;
  const std::string keys = Format("lugkeys %s", ctx.Schema);
  if (SQL_GetNamedLock(keys, 60, got) != 0 || got != 1) {
    Log("Laufschlüssel kann nicht vergeben werden, Sperre '%s' nicht frei", keys);
    AbortRun(60);
  }
  for (int32_t next = 0;; ++next) {
    std::string key = ctx.DbTime;
    if (next > 0 && SQL_AddSeconds(ctx.DbTime, next, key) != 0) {
      Log("Laufschlüssel kann nicht vergeben werden: %s", ctx.DbTime);
      AbortRun(60);
    }
    got = 0;
    // the lock name holds the key's digits only (lock names are short)
    std::string digits;
    for (char ch : key) {
      if (ch >= '0' && ch <= '9') digits += ch;
    }
    if (SQL_GetNamedLock(Format("lugkey %s %s", ctx.Schema, digits), 0, got) == 0 && got == 1) {
      ctx.RunKey = key;
      break;
    }
  }
  int32_t released = 0;
  if (SQL_ReleaseNamedLock(keys, released) != 0) AbortRun(60);
  if (ctx.RunKey != ctx.DbTime) Log("Laufschlüssel: %s (ein anderer Lauf hält %s)", ctx.RunKey, ctx.DbTime);
}

// A step of the run in one transaction. A lock conflict (deadlock or lock
// wait timeout) has cost the transaction: the step starts over from the
// state of the run before it, after a growing pause; after the last attempt
// the run ends with 60.
template <class F>
void RunStep(RunContext& ctx, const char* name, F work) {
  const RunContext before = ctx;
  for (int attempt = 1;; ++attempt) {
    try {
      Transaction step;
      work(step);
      return;
    } catch (const SqlLockConflict& e) {
      // the step's transaction was rolled back as it ended
      // a preview is one transaction: what the steps before did is gone too
      if (attempt >= kLockConflictAttempts || ctx.Preview) {
        Log("Sperrkonflikt (Fehler %d bei %s: %s), %s nach %d Versuchen abgebrochen", e.Error, e.Purpose, e.Text,
            Cp1252(name), attempt);
        AbortRun(60);
      }
      const int pause = attempt * g_retryPauseMs;
      Log("Sperrkonflikt (Fehler %d bei %s: %s), %s wird wiederholt (Versuch %d von %d)", e.Error, e.Purpose, e.Text,
          Cp1252(name), attempt + 1, kLockConflictAttempts);
      std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      ctx = before;
    }
  }
}

// Help or the version asked for: answered, and the program does nothing else.
bool AnswersHelpOrVersion(const std::vector<std::string>& argv) {
  if (Asks(argv, {"--help", "-h", "/?"})) {
    Console(Usage());
    return true;
  }
  if (Asks(argv, {"--version"})) {
    Console(Format("lugtransfer %s\n", kVersion));
    return true;
  }
  return false;
}

// The arguments cut at their first blank into args, and the modes read. A
// mistake at the console ends the call here, before anything is touched: the
// exit code is returned then.
std::optional<int> ReadArguments(const std::vector<std::string>& argv, std::vector<std::string>& args,
                                 ModeRequest& modes) {
  int argc = static_cast<int>(argv.size());
  if (argc < 6) {
    Console(Format("Fehler, Anzahl Parameter: %d", argc));
    Log("Fehler beim Aufruf, Anzahl Parameter: %d", argc);
    ConsoleError(Format("\nlugtransfer: fuenf Parameter erwartet, %d angegeben\n", argc - 1) + kSynopsis);
    return 0;
  }

  args = argv;
  for (int i = 1; i < argc; ++i) {
    auto blank = args[static_cast<size_t>(i)].find(' ');
    if (blank != std::string::npos) args[static_cast<size_t>(i)].resize(blank);
  }

  if (!ArgumentFits(args[1], kArgNet8Max, 1) || !ArgumentFits(args[2], kSchemaMax, 2) ||
      !ArgumentFits(args[3], kAkrMax, 3)) {
    ConsoleError("lugtransfer: " + LastRunLogMessages().second + "\n" + kSynopsis);
    return 0;
  }

  modes = ReadModes(argv);
  std::string mistake = MisplacedOption(args);
  if (mistake.empty() && !IsNumber(args[4])) mistake = Cp1252("Abrnr ist keine Zahl: ") + args[4];
  if (mistake.empty()) mistake = modes.Mistake;
  if (!mistake.empty()) {
    UsageMistake(mistake);
    return kExitUsage;
  }
  return std::nullopt;
}

// The accepted arguments and modes put into the run's context.
void TakeArguments(RunContext& ctx, const std::vector<std::string>& args, const ModeRequest& modes) {
  ctx.Net8 = args[1];
  ctx.Schema = args[2];
  ctx.Akr = args[3];
  ctx.Abrnr = ToLong(args[4]);
  ctx.AbrnrStart = ctx.Abrnr;
  ctx.CallMode = static_cast<int16_t>(ToLong(args[5]));
  ctx.InterimFlag = ctx.CallMode == 1 ? 1 : 0;
  ctx.PnrFilter.clear();

  if (args.size() > 6 && !args[6].empty()) {
    std::string filter = args[6];
    ToUpper(filter);
    if (filter.compare(0, 2, "/P") == 0 && filter.size() >= 2 && filter.size() <= 10) {
      ctx.PnrFilter = filter.substr(2);
      Log("     FILTER AUF PNR: %s GESETZT !!", ctx.PnrFilter);
    }
  }
  StartModes(ctx, modes);
  ctx.ArgumentsAccepted = true;
}

struct Login {
  std::string User;
  std::string Password;
};

// The login of the configuration file; its NET8 value wins over argument 1.
Login ReadLogin(RunContext& ctx) {
  Login login;
  login.User = ReadIniValue("", "LOGIN", 0, NativePath(kIniPath));
  login.Password = ReadIniValue("", "PASS", 0, NativePath(kIniPath));
  std::string net8 = ReadIniValue("", "NET8", 0, NativePath(kIniPath));
  if (!net8.empty() && net8.size() <= kNet8Max) ctx.Net8 = net8;
  return login;
}

bool Connect(RunContext& ctx, const Login& login) {
  dbSetOptionFile(kClientOptionsPath);
  int st = dbConnect(login.User, login.Password, ctx.Net8, ctx.Schema);
  if (st != 0) {
    Console(Format("dbConnect_Status: %d\n", st));
    Log("dbConnect-Fehler: %d", st);
    // the client library's message says what the number means
    Log("dbConnect-Meldung: %s", dbLastErrorText());
    ctx.StopReason = Format("dbConnect-Fehler: %d, %s", st, dbLastErrorText());
    // the password is not written to the log
    Log("Benutzer: %s,  Passwort: %s,  Net8: %s,  Schema: %s", login.User, MaskPassword(login.Password), ctx.Net8,
        ctx.Schema);
    return false;
  }

  st = AlterSession();
  if (st != 0) {
    Console(Format("Alter_Session_Status: %d\n", st));
    Log("AlterSession-Fehler: %d", st);
    Log("AlterSession-Meldung: %s", dbLastErrorText());
    return false;
  }
  return true;
}

// One run per schema and circle at a time: a second run waits for the
// first to end, and gives up without touching anything when it does not.
// The run has written nothing yet: a connection lost while it waits (the
// server restarted, the wait killed) is made anew once, and the lock asked
// for again; lost again, or not to be made, the run has not taken place.
bool TakeCircleLock(RunContext& ctx, const Login& login) {
  const std::string runLock = Format("lugtransfer %s %s", ctx.Schema, ctx.Akr);
  int32_t locked = 0;
  int st = 0;
  for (int attempt = 1;; ++attempt) {
    try {
      LossAnswered answered;
      st = TakeServerLock(runLock, g_runLockWait, locked);
      break;
    } catch (const SqlConnectionLost& e) {
      dbDisconnect();
      if (attempt >= 2) {
        Log("Verbindung zur Datenbank beim Warten auf die Sperre '%s' erneut verloren, Fehler: %d", runLock, e.Error);
        Log("Übergabe für Akr %s, Schema %s nicht gestartet, nichts geändert", ctx.Akr, ctx.Schema);
        return false;
      }
      Log("Verbindung zur Datenbank beim Warten auf die Sperre '%s' verloren, Fehler: %d, neuer Versuch", runLock,
          e.Error);
      st = dbConnect(login.User, login.Password, ctx.Net8, ctx.Schema);
      if (st == 0) st = AlterSession();
      if (st != 0) {
        Log("dbConnect-Fehler: %d", st);
        Log("dbConnect-Meldung: %s", dbLastErrorText());
        Log("Übergabe für Akr %s, Schema %s nicht gestartet, nichts geändert", ctx.Akr, ctx.Schema);
        return false;
      }
    }
  }
  if (st != 0) {
    Log("Sperre für Akr %s, Schema %s kann nicht gesetzt werden, Fehler: %d", ctx.Akr, ctx.Schema, st);
    return false;
  }
  if (locked != 1) {
    Log("Übergabe für Akr %s, Schema %s läuft bereits, nach %d Sekunden Wartezeit nicht gestartet", ctx.Akr, ctx.Schema,
        g_runLockWait);
    return false;
  }
  return true;
}

// What the run needs of the server, checked before it writes anything (a
// check lists it among its findings instead).
bool ServerReady(RunContext& ctx) {
  if (ctx.Check) return true;
  std::vector<ServerFinding> findings = CheckServer();
  if (findings.empty()) return true;
  for (const ServerFinding& f : findings) {
    Log("%s", Cp1252(f.Text));
    ConsoleError(Cp1252(f.Text) + "\n");
  }
  Log("Übergabe für Akr %s, Schema %s nicht gestartet, nichts geändert", ctx.Akr, ctx.Schema);
  return false;
}

// From here until the normal end the circle's status says "started"; the
// site number, the interface setting, the database time and the run key are
// read. False when the status could not be committed.
bool StartCircle(RunContext& ctx) {
  Transaction start;
  ctx.LastStatus = SQL_O1001AbrKreis_SetAdt(ctx.Akr, kAdtStarted);
  if (start.Commit() != 1) return false;
  ctx.CircleHeld = true;

  ctx.MndSto.clear();
  int st = SQL_Qvx112Mnd_GetSto(ctx.Schema, ctx.MndSto);
  if (st != 0) {
    ctx.MndSto.clear();
    Log("Standortnummer kann nicht ermittelt werden! Error: %d", st);
    // no result is no "no row": nothing read may be trusted then
    if (st == -1) AbortRun(60);
  }

  ctx.AkrSsl = 1;
  ctx.LastStatus = SQL_O1001AbrKreis_GetSsl(ctx.Akr, ctx.AkrSsl, ctx.AkrAzr);
  // a missing row leaves the preset; a failed read must not clear the interface
  if (ctx.LastStatus == -1) AbortRun(60);
  if (ctx.AkrSsl == 1) {
    if (!ctx.Preview && !ctx.Check) RotateLog(ctx.LogPath);
    Log("\n\nProtokollierung gestartet, V%s", kVersion);
    Log("Schnittstelle leeren");
    if (!ctx.PnrFilter.empty()) Log("\n     FILTER AUF PNR: %s GESETZT !!\n", ctx.PnrFilter);
  }

  ctx.LastStatus = SQL_GetSysdate(ctx.DbTime);
  if (ctx.LastStatus == -1) AbortRun(60);
  Log("LuG-Uebergabe Akr:%s, Schema:%s am %s gestartet", ctx.Akr, ctx.Schema, ctx.DbTime);
  TakeRunKey(ctx);
  return true;
}

// The transfer directory is created level by level; existing levels are fine.
bool MakeTransferDir(RunContext& ctx) {
  const char* levels[] = {"..\\Transfer", "\\Lohn und Gehalt", "\\Export"};
  std::string dir;
  int err = 0;
  for (const char* level : levels) {
    dir += level;
    err = MakeDir(dir);
    if (err != 0 && err != EEXIST) break;
  }
  if (err == 0 || err == EEXIST) {
    dir += "\\" + ctx.Schema;
    err = MakeDir(dir);
  } else {
    dir += "\\" + ctx.Schema;
  }
  ctx.TransferDir = dir;
  if (err != 0 && err != EEXIST) {
    Log("Übergabeverzeichnis kann nicht erstellt werden!");
    return false;
  }
  return true;
}

// Exports of the same payroll system in one schema share its staging
// tables: they take turns, up to the final commit.
void TakeExportLock(RunContext& ctx) {
  int32_t exportLocked = 0;
  std::string exportLock = Format("lugexport %s %d", ctx.Schema, static_cast<int>(ChooseExporter(ctx.Lug.LugLgp)));
  int st = TakeServerLock(exportLock, g_runLockWait, exportLocked);
  if (st != 0 || exportLocked != 1) {
    Log("Übergabe für Akr %s, Schema %s: Sperre '%s' nach %d Sekunden Wartezeit nicht frei", ctx.Akr, ctx.Schema,
        exportLock, g_runLockWait);
    AbortRun(60);
  }
}

// Settlement, then the hand-over to the payroll system, each a step of its
// own; the exit code is the final commit's.
int SettleAndExport(RunContext& ctx) {
  RunStep(ctx, "Abrechnung", [&ctx](Transaction& step) {
    SettlementControl(ctx);
    if (step.Commit() != 1) AbortRun(60);
  });

  TakeExportLock(ctx);

  int code = 0;
  RunStep(ctx, "Übergabe", [&ctx, &code](Transaction& step) {
    ExportDispatch(ctx);

    if (!ctx.Preview) WritePointerFile();

    ctx.LastStatus = SQL_GetSysdate(ctx.DbTime);
    Log("LuG-Uebergabe Akr: %s, Abrnr: %ld am %s beendet", ctx.Akr, ctx.Abrnr, ctx.DbTime);

    ctx.LastStatus = SQL_O1001AbrKreis_SetAdt(ctx.Akr, kAdtDone);
    code = step.Commit();
  });
  Console(Format("\nLohn und Gehaltuebergabe fuer Akr: %s und Abrnr: %ld ist beendet", ctx.Akr, ctx.Abrnr));
  return code;
}

int Run(RunContext& ctx, const std::vector<std::string>& argv) {
  ctx.LogPath = kLogPath;
  if (AnswersHelpOrVersion(argv)) return 0;
  Log("\n\nProtokollierung gestartet, V%s", kVersion);

  std::vector<std::string> args;
  ModeRequest modes;
  if (std::optional<int> code = ReadArguments(argv, args, modes)) return *code;
  TakeArguments(ctx, args, modes);
  CheckInstallation();

  const Login login = ReadLogin(ctx);
  ToUpper(ctx.Schema);
  if (!Connect(ctx, login) || !TakeCircleLock(ctx, login) || !ServerReady(ctx)) return 0;
  if (!StartCircle(ctx)) return 0;

  if (ctx.Check) {
    int code = RunCheck(ctx);
    ctx.RunCompleted = true;
    return code;
  }
  if (!MakeTransferDir(ctx)) return 0;
  if (ctx.Preview && !UsePreviewFolder(ctx)) return 0;

  int code = SettleAndExport(ctx);
  ctx.RunCompleted = true;
  return code;
}

}  // namespace

[[nodiscard]] int SQL_GetSysdate(std::string& out) {
  return SqlSelectOne(SqlFormat("SELECT date_format(sysdate(),'%%d.%%m.%%Y %%H:%%i:%%s')"), out);
}

[[nodiscard]] int SQL_Qvx112Mnd_GetSto(const std::string& schema, std::string& mndSto) {
  return SqlSelectOne(SqlFormat("SELECT MndSto FROM Darvonix.Qvx112Mnd WHERE UPPER(MndSch) = '%s'", schema), mndSto);
}

[[nodiscard]] int SQL_O1001AbrKreis_GetSsl(const std::string& akr, int16_t& ssl, int16_t& azr) {
  return SqlSelectOne(SqlFormat("SELECT AkrSsl, AkrAzr  FROM O1001AbrKreis WHERE AkrNum = '%s'", akr), ssl, azr);
}

[[nodiscard]] int SQL_GetNamedLock(const std::string& name, int waitSeconds, int32_t& got) {
  return SqlSelectOne(SqlFormat("SELECT GET_LOCK('%s', %d)", name, waitSeconds), got);
}

[[nodiscard]] int SQL_ReleaseNamedLock(const std::string& name, int32_t& released) {
  return SqlSelectOne(SqlFormat("SELECT RELEASE_LOCK('%s')", name), released);
}

[[nodiscard]] int SQL_AddSeconds(const std::string& dbTime, int32_t seconds, std::string& out) {
  return SqlSelectOne(SqlFormat("SELECT date_format(str_to_date('%s', '%%d.%%m.%%Y %%H:%%i:%%s') + INTERVAL %ld SECOND,"
                                " '%%d.%%m.%%Y %%H:%%i:%%s')",
                                dbTime, seconds),
                      out);
}

void SetRunLockWait(int seconds) { g_runLockWait = seconds; }
void SetRetryPause(int milliseconds) { g_retryPauseMs = milliseconds; }

int RunMain(const std::vector<std::string>& args) {
  RunContext ctx;
  return RunMain(args, ctx);
}

int RunMain(const std::vector<std::string>& args, RunContext& ctx) {
  KeepFreedMemory();
  // the run of this call: every step is handed it, and the reports of the
  // run layer reach it while it is attached
  ctx = RunContext{};
  RunAttachment attachment(ctx);
  int code;
  try {
    code = Run(ctx, args);
  } catch (const ProcessExit& e) { code = e.code; } catch (const SqlFatalError& e) {
    code = ServerFailure(e.Error, e.Text, e.Purpose);
  } catch (const SqlLockConflict& e) {
    // outside a step: nothing to start over
    code = ServerFailure(e.Error, e.Text, e.Purpose);
  }
  // A run that did not reach its end (or whose final commit failed) says so
  // where the one who started it looks, with the reason as the log has it.
  const bool stopped = ctx.ArgumentsAccepted && (!ctx.RunCompleted || (!ctx.Check && !ctx.Preview && code != 1));
  const std::string reason = ctx.StopReason.empty() ? StopReasonFromLog() : ctx.StopReason;
  try {
    code = FinishRun(ctx, code);
  } catch (const ProcessExit& e) { code = e.code; } catch (const SqlFatalError& e) {
    Log("Datenbankfehler %d bei %s: %s", e.Error, e.Purpose, e.Text);
    (void)dbAbandonTransaction();
  } catch (const SqlLockConflict& e) {
    Log("Datenbankfehler %d bei %s: %s", e.Error, e.Purpose, e.Text);
    (void)dbAbandonTransaction();
  }
  // The run's server locks (circle, export, run key) end with it, before the
  // next run of the process or of the machine asks for them: the server ends
  // the locks of a closed connection only a moment after it is closed.
  try {
    int32_t released = 0;
    if (dbConnected()) (void)SqlSelectOne("SELECT RELEASE_ALL_LOCKS()", released);
  } catch (const SqlFatalError& e) {
    Log("Datenbankfehler %d bei %s: %s", e.Error, e.Purpose, e.Text);
  } catch (const SqlLockConflict& e) {
    Log("Datenbankfehler %d bei %s: %s", e.Error, e.Purpose, e.Text);
  } catch (const ProcessExit&) {
    // the connection is gone, and its locks with it
  }
  try {
    dbDisconnect();
  } catch (...) {
    // the transaction is gone with the connection
  }
  CloseRunLog();
  if (stopped) {
    ConsoleError(Format(Cp1252("lugtransfer: Lauf vorzeitig beendet (Exit-Code %d): %s; Protokoll: %s\n"), code, reason,
                        LogPathText()));
  }
  return code;
}
