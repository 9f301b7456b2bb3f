#include <gtest/gtest.h>

#include <filesystem>

#include "export/export_file.h"
#include "export_fixture.h"
#include "run/db.h"

namespace fs = std::filesystem;

class TransferFiles : public ExportTest {};

TEST_F(TransferFiles, OldTransferFileIsDeleted) {
  fs::path old = tree / "Transfer" / U8Path("Lohn- und Gehaltsübergabe");
  fs::create_directories(old);
  WriteFileBytes(U8Text(old / "datev.csv"), "alt");
  WriteFileBytes(U8Text(old / "other.txt"), "bleibt");
  DeleteOldTransferFile(Ctx, "datev.csv");
  EXPECT_FALSE(fs::exists(old / "datev.csv"));
  EXPECT_TRUE(fs::exists(old / "other.txt"));
  EXPECT_NO_THROW(DeleteOldTransferFile(Ctx, "datev.csv"));  // missing: no error
  fs::remove_all(old);
  EXPECT_NO_THROW(DeleteOldTransferFile(Ctx, "datev.csv"));  // no folder: no error
}

TEST_F(TransferFiles, TransferFileIsWindows1252WithCrLf) {
  ExportFile f;
  ExportFileCreate(Ctx, f, "\\t.txt", "Testdatei kann nicht geoeffnet werden !");
  ExportWriteF(f, "%s;%05s;%-4s|\n", Cp1252("Maß"), "12", Cp1252("ä"));
  ExportWrite(f, "x\n\n");
  ExportFileClose(f);
  EXPECT_EQ("Ma\xDF;00012;\xE4   |\r\nx\r\n\r\n", TransferFile("t.txt"));
  // a second create truncates
  ExportFileCreate(Ctx, f, "\\t.txt", "Testdatei kann nicht geoeffnet werden !");
  ExportFileClose(f);
  EXPECT_EQ("", TransferFile("t.txt"));
  EXPECT_EQ("", RunLog());
}

TEST_F(TransferFiles, TransferFileThatCannotBeOpenedEndsTheProcess) {
  ExportFile f;
  Ctx.TransferDir = "..\\Transfer\\fehlt";
  EXPECT_EQ(1, ExitCodeOf([&] { ExportFileCreate(Ctx, f, "\\t.txt", "Testdatei kann nicht geoeffnet werden !"); }));
  EXPECT_EQ("Testdatei kann nicht geoeffnet werden !\r\n", RunLog());
  EXPECT_FALSE(ExportFileOpen(Ctx, f, "\\t.txt"));
}

// A full disk: the write or the final flush fails; the run must not end as if
// the file were complete.

TEST_F(TransferFiles, FailedWritesEndTheProcess) {
#ifdef _WIN32
  GTEST_SKIP() << "needs /dev/full of a POSIX system";
#endif
  fs::path exportDir = tree / "Transfer/Lohn und Gehalt/Export/S";
  // the lines go into the temporary file, which stands on the full disk
  fs::create_symlink("/dev/full", exportDir / ("full.txt." + Ctx.Akr + ".tmp"));
  // small text: kept in the buffer, the error comes with the close
  ExportFile f;
  ExportFileCreate(Ctx, f, "\\full.txt", "Testdatei kann nicht geoeffnet werden !");
  ExportWrite(f, "kurz\n");
  EXPECT_EQ(1, ExitCodeOf([&] { ExportFileClose(f); }));
  std::string message =
      Cp1252("Schreibfehler in Datei ..\\Transfer\\Lohn und Gehalt\\Export\\S\\full.txt, Übergabe abgebrochen !\r\n");
  EXPECT_EQ(message, RunLog());
  EXPECT_FALSE(fs::exists(fs::symlink_status(exportDir / ("full.txt." + Ctx.Akr + ".tmp"))));
  EXPECT_FALSE(fs::exists(exportDir / "full.txt"));
  fs::create_symlink("/dev/full", exportDir / ("full.txt." + Ctx.Akr + ".tmp"));
  // more text than the buffer holds: the write itself fails
  ExportFile g;
  ExportFileCreate(Ctx, g, "\\full.txt", "Testdatei kann nicht geoeffnet werden !");
  EXPECT_EQ(1, ExitCodeOf([&] {
              for (int i = 0; i < 10000; ++i) ExportWrite(g, "0123456789\n");
            }));
  EXPECT_EQ(message + message, RunLog());
}
