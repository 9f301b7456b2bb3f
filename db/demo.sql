-- Demo company "Möbelwerk Sonnenberg GmbH": one accounting circle 'D1' that
-- hands its time accounts to DATEV (interface 'DV1', firm number 10001, circle
-- number 01), 36 employees in five cost centres, the accounting periods of
-- September to December 2026 (accounting numbers 9 to 12) and the bookings
-- and day records of November 2026 (accounting number 11):
--   AZ     working time, month account        -> wage type 1000
--   MEHR   overtime, month account            -> wage type 1200 (no cost unit)
--   NACHT  night premium, day account         -> wage type 1310
--   SONN   Sunday premium, day account        -> wage type 1320
--   URLB   vacation, runs of days (hours)     -> wage type 3000
--   KRANK  sickness, runs of days (hours/days)-> wage types 4000 and 4010
--   RUL / MGF  remaining leave and flexitime balance at the period end
--              (special records)               -> wage types 9100 and 9200
-- A final settlement of circle D1, accounting number 11, produces transfer
-- records for every employee and a DATEV file.
--
-- Load it into an empty schema made from db/schema.sql, with Darvonix loaded
-- and its calendar filled:
--   mariadb DEMO < db/demo.sql
-- The file is UTF-8; the tables are latin1 (the server converts).

SET NAMES utf8mb4;

-- ---------------------------------------------------------------------------
-- Client, circle, interface, wage-type lines, periods
-- ---------------------------------------------------------------------------

DELETE FROM Darvonix.Qvx112Mnd WHERE MndSch = UPPER(DATABASE());
INSERT INTO Darvonix.Qvx112Mnd (MndNam, MndSch, MndSto)
  VALUES ('Möbelwerk Sonnenberg GmbH', UPPER(DATABASE()), '00100');

INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt, AkrVws, AkrEbn)
  VALUES ('D1', 'DV1', 0, 0, 0, 0, NULL, 0);

INSERT INTO Qvx171Lug (LugLug, LugLgp, LugAnz, LugDtm, LugMon, LugUnt, LugFir, LugAkr, LugPnr, LugSta)
  VALUES ('DV1', 'DATEV', 0, 0, 0, 0, '10001', '01', 0, 0);

-- record type of the DATEV interface
INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A) VALUES ('DATEV', 'LA', 1, 1, 0, 0);

-- One line per account and wage type, valid from 2026. Month accounts
-- (Lu1Tgw 0, Lu1Ztr 0) take the period bookings, day accounts (Lu1Tgw 1) one
-- record per booking day, runs of days (Lu1Ztr 1) one record per run.
-- Lu1Kst/Lu1Ktr 0: the cost centre / cost unit is not handed over.
INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Gbi, Lu1Rre, Lu1Tgw, Lu1Kst, Lu1Ktr,
                       Lu1Krt, Lu1Tge, Lu1Sol, Lu1Svk, Lu1Flg, Lu1Lfn, Lu1Sts, Lu1Fkt, Lu1Ztr, Lu1Mog, Lu1Sta,
                       Lu1Art, Lu1Bau, Lu1Fkz) VALUES
  ('DV1', 'LA', 'AZ',    '1000', NULL,   '2026-01-01', NULL, 1, 0, 1, 1, 1, 0, 0, 0, 0, 0, 102, 0, 0, NULL, 0, 0, 0, NULL),
  ('DV1', 'LA', 'MEHR',  '1200', NULL,   '2026-01-01', NULL, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0,   0, 0, 0, NULL, 0, 0, 0, NULL),
  ('DV1', 'LA', 'NACHT', '1310', 'NZ25', '2026-01-01', NULL, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0,   0, 0, 0, NULL, 0, 0, 0, NULL),
  ('DV1', 'LA', 'SONN',  '1320', 'SZ50', '2026-01-01', NULL, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0,   0, 0, 0, NULL, 0, 0, 0, NULL),
  ('DV1', 'LA', 'URLB',  '3000', NULL,   '2026-01-01', NULL, 1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 105, 0, 1, NULL, 0, 0, 0, NULL),
  ('DV1', 'LA', 'KRANK', '4000', NULL,   '2026-01-01', NULL, 1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 108, 0, 1, NULL, 0, 0, 0, NULL),
  ('DV1', 'LA', 'KRANK', '4010', NULL,   '2026-01-01', NULL, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 108, 0, 1, NULL, 0, 0, 0, NULL),
  ('DV1', 'LA', 'RUL',   '9100', 'RUL',  '2026-01-01', NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,   0, 0, 0, NULL, 0, 0, 0, NULL),
  ('DV1', 'LA', 'MGF',   '9200', 'MGF',  '2026-01-01', NULL, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,   0, 0, 0, NULL, 0, 0, 0, NULL);

-- day codes: whole-day vacation, half-day vacation, sickness
INSERT INTO Qvx131Fcd (FcdNum, FcdZkt) VALUES ('U', 'URLB'), ('HU', 'URLB'), ('K', 'KRANK');

INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES
  ('D1',  9, '2026-09-01', '2026-09-30'),
  ('D1', 10, '2026-10-01', '2026-10-31'),
  ('D1', 11, '2026-11-01', '2026-11-30'),
  ('D1', 12, '2026-12-01', '2026-12-31');

-- ---------------------------------------------------------------------------
-- Employees
-- ---------------------------------------------------------------------------

-- Work table of the generator (dropped at the end): the employee, the
-- payroll number (none: the personnel number is handed over), employment,
-- home cost assignment, daily target minutes, night shifts in weeks 46 and
-- 48, Sunday work on 8 and 22 November, vacation, sickness, a half day of
-- vacation, remaining leave at the end of October, the customer order booked
-- on Tuesdays and Thursdays, the flexitime balance at the end of October.
DROP TABLE IF EXISTS DemoPerson;
CREATE TABLE DemoPerson (
  Pnr     VARCHAR(8)   NOT NULL PRIMARY KEY,
  Nam     VARCHAR(60)  NOT NULL,
  Lug     VARCHAR(13)  NULL,
  Gvo     DATE         NOT NULL,
  Gbi     DATE         NULL,
  Kst     VARCHAR(30)  NOT NULL,
  Ktr     VARCHAR(6)   NOT NULL,
  Krt     VARCHAR(4)   NOT NULL,
  Base    INT          NOT NULL,
  Shift   SMALLINT     NOT NULL,
  Sunday  SMALLINT     NOT NULL,
  UrlVon  DATE         NULL,
  UrlBis  DATE         NULL,
  KrkVon  DATE         NULL,
  KrkBis  DATE         NULL,
  HalfDay DATE         NULL,
  Rtg     DECIMAL(7,2) NOT NULL,
  Project VARCHAR(6)   NULL,
  Start   INT          NOT NULL
) DEFAULT CHARSET=latin1;

INSERT INTO DemoPerson VALUES
  ('1001', 'Müller, Jürgen',     '21001', '2015-04-01', NULL,         '4100', 'TISCH', '6200', 480, 1, 0, NULL,         NULL,         NULL,         NULL,         NULL,         14.0, NULL,    120),
  ('1002', 'Schäfer, Anna',      '21002', '2016-09-01', NULL,         '4200', 'SOFA',  '6200', 480, 0, 1, NULL,         NULL,         NULL,         NULL,         NULL,         21.5, NULL,    -45),
  ('1003', 'Groß, Björn',        '21003', '2017-01-15', NULL,         '4300', 'SCHRK', '6200', 480, 0, 0, '2026-11-09', '2026-11-13', NULL,         NULL,         NULL,         12.0, 'K2611',  60),
  ('1004', 'Weiß, Käthe',        '21004', '2015-01-01', NULL,         '4200', 'SOFA',  '6200', 480, 0, 0, NULL,         NULL,         '2026-11-10', '2026-11-12', NULL,          9.5, NULL,      0),
  ('1005', 'Köhler, Sören',      '21005', '2018-03-01', NULL,         '4100', 'TISCH', '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         '2026-11-06', 17.0, NULL,    210),
  ('1006', 'Bäumer, Jörg',       '21006', '2019-07-01', NULL,         '4100', 'TISCH', '6200', 480, 1, 0, NULL,         NULL,         NULL,         NULL,         NULL,          6.0, NULL,    -90),
  ('1007', 'Hoffmann, Günther',  '21007', '2015-01-01', NULL,         '5100', '',      '6200', 480, 0, 0, '2026-11-16', '2026-11-27', NULL,         NULL,         NULL,         25.0, NULL,     30),
  ('1008', 'Wöhler, Marie',      '21008', '2020-02-01', NULL,         '4300', 'SCHRK', '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         11.5, 'K2611', 150),
  ('1009', 'Krüger, Lutz',       '21009', '2016-05-01', NULL,         '4300', 'TISCH', '6200', 480, 1, 0, NULL,         NULL,         NULL,         NULL,         NULL,         13.0, NULL,    -30),
  ('1010', 'Schröder, Ute',      '21010', '2021-08-01', NULL,         '7100', '',      '6300', 240, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,          8.0, NULL,     15),
  ('1011', 'Fuß, Dörte',         '21011', '2017-10-01', NULL,         '4200', 'SOFA',  '6200', 480, 0, 0, NULL,         NULL,         '2026-11-02', '2026-11-06', NULL,         19.0, NULL,      0),
  ('1012', 'Zöllner, Heinz',     '21012', '2015-01-01', NULL,         '5100', '',      '6200', 480, 0, 0, '2026-11-02', '2026-11-04', NULL,         NULL,         NULL,         22.0, NULL,    300),
  ('1013', 'Jäger, Ines',        '21013', '2022-01-01', NULL,         '4300', 'SCHRK', '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         15.5, 'K2611', -60),
  ('1014', 'Strauß, Nils',       '21014', '2018-11-01', NULL,         '4100', 'TISCH', '6200', 480, 1, 1, NULL,         NULL,         NULL,         NULL,         NULL,         10.0, NULL,     45),
  ('1015', 'Mößner, Till',       '21015', '2019-04-01', NULL,         '7100', '',      '6300', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         18.5, NULL,     90),
  ('1016', 'Lübke, Karin',       '21016', '2016-02-01', NULL,         '7100', '',      '6300', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         '2026-11-25', 20.0, NULL,    -15),
  ('1017', 'Nüßlein, Uwe',       '21017', '2020-09-01', NULL,         '4200', 'SOFA',  '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,          7.0, NULL,    180),
  ('1018', 'Bösch, Franziska',   '21018', '2023-03-01', NULL,         '4300', 'SCHRK', '6200', 480, 0, 0, NULL,         NULL,         '2026-11-24', '2026-11-25', NULL,         16.0, 'K2611',   0),
  ('1019', 'Brückner, Jens',     '21019', '2015-06-01', NULL,         '4100', 'TISCH', '6200', 480, 1, 0, NULL,         NULL,         NULL,         NULL,         NULL,         12.5, NULL,     75),
  ('1020', 'Dürr, Sabine',       '21020', '2017-05-01', NULL,         '4200', 'SOFA',  '6200', 480, 0, 0, '2026-11-23', '2026-11-30', NULL,         NULL,         NULL,         23.0, NULL,    -120),
  ('1021', 'Götz, Matthias',     '21021', '2018-01-01', NULL,         '4300', 'SCHRK', '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         14.5, 'K2611',  60),
  ('1022', 'Hölzl, Petra',       '21022', '2021-01-01', NULL,         '7100', '',      '6300', 240, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,          9.0, NULL,      0),
  ('1023', 'Kühn, Andreas',      '21023', '2016-10-01', NULL,         '4300', 'TISCH', '6200', 480, 1, 0, NULL,         NULL,         NULL,         NULL,         NULL,         11.0, NULL,    135),
  ('1024', 'Löffler, Birgit',    '21024', '2019-12-01', NULL,         '5100', '',      '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         17.5, NULL,    -75),
  ('1025', 'Märtens, Olaf',      '21025', '2015-01-01', NULL,         '4300', 'SCHRK', '6200', 480, 0, 0, '2026-11-19', '2026-11-20', NULL,         NULL,         NULL,         26.0, 'K2611', 240),
  ('1026', 'Pöschl, Renate',     '21026', '2020-04-01', NULL,         '7100', '',      '6300', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         13.5, NULL,     30),
  ('1027', 'Rößler, Dieter',     '21027', '2017-08-01', NULL,         '4100', 'TISCH', '6200', 480, 1, 0, NULL,         NULL,         NULL,         NULL,         NULL,          5.5, NULL,    -30),
  ('1028', 'Schütz, Monika',     '21028', '2022-06-01', NULL,         '7100', '',      '6300', 240, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         10.5, NULL,     60),
  ('1029', 'Thür, Stefan',       '21029', '2018-09-01', NULL,         '4200', 'SOFA',  '6200', 480, 0, 1, NULL,         NULL,         NULL,         NULL,         NULL,         15.0, NULL,    105),
  ('1030', 'Vögele, Claudia',    '21030', '2016-03-01', NULL,         '4200', 'SOFA',  '6200', 480, 0, 0, NULL,         NULL,         '2026-11-17', '2026-11-17', NULL,         12.0, NULL,    -15),
  ('1031', 'Wüst, Bernd',        '21031', '2019-02-01', NULL,         '4300', 'SCHRK', '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         19.5, 'K2611',  45),
  ('1032', 'Zürn, Heike',        '21032', '2021-11-01', NULL,         '5100', '',      '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,          8.5, NULL,      0),
  ('1033', 'Älbers, Kai',        NULL,    '2024-04-01', NULL,         '4100', 'TISCH', '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         20.0, NULL,    -60),
  ('1034', 'Öhler, Gisela',      NULL,    '2025-01-01', NULL,         '7100', '',      '6300', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,         24.0, NULL,     90),
  ('1035', 'Übel, Frank',        '21035', '2015-01-01', '2026-11-15', '4100', 'TISCH', '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,          3.0, NULL,      0),
  ('1036', 'Süßmann, Lena',      '21036', '2026-11-16', NULL,         '4200', 'SOFA',  '6200', 480, 0, 0, NULL,         NULL,         NULL,         NULL,         NULL,          2.0, NULL,      0);

INSERT INTO Qvx300Pnr (PnrNum, PnrNam) SELECT Pnr, Nam FROM DemoPerson;

INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug, BsvSfr, BsvDms)
  SELECT Pnr, 'D1', Gvo, Gbi, Lug, NULL, ROUND(Base * 21.667 / 60, 2) FROM DemoPerson;

INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoGbi, ZuoKst, ZuoKtr, ZuoKrt)
  SELECT Pnr, Gvo, NULL, Kst, Ktr, Krt FROM DemoPerson;

-- ---------------------------------------------------------------------------
-- November 2026: one row per employee and calendar day of the employment
-- ---------------------------------------------------------------------------

-- Kind of the day: W workday, S Sunday work, U vacation, H half day of
-- vacation, K sick, - free. Worked: minutes of a workday, 30 minutes around
-- the daily target.
DROP TABLE IF EXISTS DemoWork;
CREATE TABLE DemoWork DEFAULT CHARSET=latin1 AS
  SELECT p.Pnr, d.BakDtm AS Dtm, DAYOFWEEK(d.BakDtm) AS Wd, p.Kst, p.Ktr, p.Krt, p.Base, p.Shift, p.Project,
         CASE
           WHEN DAYOFWEEK(d.BakDtm) BETWEEN 2 AND 6
                AND d.BakDtm BETWEEN COALESCE(p.UrlVon, '9999-12-31') AND COALESCE(p.UrlBis, '9999-12-31') THEN 'U'
           WHEN DAYOFWEEK(d.BakDtm) BETWEEN 2 AND 6
                AND d.BakDtm BETWEEN COALESCE(p.KrkVon, '9999-12-31') AND COALESCE(p.KrkBis, '9999-12-31') THEN 'K'
           WHEN d.BakDtm = COALESCE(p.HalfDay, '9999-12-31') THEN 'H'
           WHEN DAYOFWEEK(d.BakDtm) BETWEEN 2 AND 6 THEN 'W'
           WHEN DAYOFWEEK(d.BakDtm) = 1 AND p.Sunday = 1 AND DAYOFMONTH(d.BakDtm) IN (8, 22) THEN 'S'
           ELSE '-'
         END AS Kind,
         p.Base + ((CAST(p.Pnr AS UNSIGNED) * 7 + DAYOFMONTH(d.BakDtm) * 11) MOD 5) * 15 - 30 AS Worked
    FROM DemoPerson p
    JOIN Darvonix.Qvx133Bak d
      ON d.BakDtm BETWEEN '2026-11-01' AND '2026-11-30'
     AND d.BakDtm >= p.Gvo AND d.BakDtm <= COALESCE(p.Gbi, '9999-12-31');

-- Bookings. The month and day accounts are booked as day values (kind 1) and
-- as period values (kind 3); vacation and sickness, settled as runs of days,
-- as day values only.
INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg, ZkbSta, ZkbDat)
  SELECT w.Pnr, k.Ztr, w.Dtm, w.Kst,
         CASE WHEN w.Project IS NOT NULL AND w.Wd IN (3, 5) THEN w.Project ELSE w.Ktr END,
         w.Krt, 'AZ',
         CASE w.Kind WHEN 'S' THEN 360 WHEN 'H' THEN w.Base DIV 2 ELSE LEAST(w.Worked, 480) END,
         0, 0, 0, TIMESTAMP(w.Dtm, '22:00:00')
    FROM DemoWork w CROSS JOIN (SELECT 1 AS Ztr UNION ALL SELECT 3) k
   WHERE w.Kind IN ('W', 'S', 'H');

INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg, ZkbSta, ZkbDat)
  SELECT w.Pnr, k.Ztr, w.Dtm, w.Kst, w.Ktr, w.Krt, 'MEHR', w.Worked - 480, 0, 0, 0, TIMESTAMP(w.Dtm, '22:00:00')
    FROM DemoWork w CROSS JOIN (SELECT 1 AS Ztr UNION ALL SELECT 3) k
   WHERE w.Kind = 'W' AND w.Worked > 480;

INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg, ZkbSta, ZkbDat)
  SELECT w.Pnr, k.Ztr, w.Dtm, w.Kst, w.Ktr, w.Krt, 'NACHT', 120, 0, 0, 0, TIMESTAMP(w.Dtm, '22:00:00')
    FROM DemoWork w CROSS JOIN (SELECT 1 AS Ztr UNION ALL SELECT 3) k
   WHERE w.Kind = 'W' AND w.Shift = 1 AND WEEK(w.Dtm, 3) IN (46, 48);

INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg, ZkbSta, ZkbDat)
  SELECT w.Pnr, k.Ztr, w.Dtm, w.Kst, w.Ktr, w.Krt, 'SONN', 360, 0, 0, 0, TIMESTAMP(w.Dtm, '22:00:00')
    FROM DemoWork w CROSS JOIN (SELECT 1 AS Ztr UNION ALL SELECT 3) k
   WHERE w.Kind = 'S';

INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg, ZkbSta, ZkbDat)
  SELECT w.Pnr, 1, w.Dtm, w.Kst, w.Ktr, w.Krt,
         CASE w.Kind WHEN 'K' THEN 'KRANK' ELSE 'URLB' END,
         CASE w.Kind WHEN 'H' THEN w.Base DIV 2 ELSE w.Base END,
         CASE w.Kind WHEN 'H' THEN 5 ELSE 10 END,
         0, 0, TIMESTAMP(w.Dtm, '22:00:00')
    FROM DemoWork w
   WHERE w.Kind IN ('U', 'H', 'K');

-- Day records: target time on Monday to Friday; the period-start record of
-- kind 3 carries the monthly maximum.
INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbUnb, TgbMax)
  SELECT w.Pnr, w.Dtm, 1, CASE WHEN w.Wd BETWEEN 2 AND 6 THEN w.Base ELSE 0 END, 0, 0
    FROM DemoWork w;

INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbUnb, TgbMax)
  SELECT Pnr, '2026-11-01', 3, 0, 0, 600 FROM DemoPerson WHERE Gvo <= '2026-11-01';

-- Flexitime balance (second balance) of each day: the balance at the end of
-- October plus the time booked minus the target time up to that day.
DROP TABLE IF EXISTS DemoBalance;
CREATE TABLE DemoBalance AS
  SELECT t.TgbPnr AS Pnr, t.TgbDtm AS Dtm,
         (SELECT COALESCE(SUM(z.ZkbStd), 0) FROM Qvx331Zkb z
           WHERE z.ZkbPnr = t.TgbPnr AND z.ZkbZtr = 1 AND z.ZkbDtm <= t.TgbDtm
             AND z.ZkbZkt IN ('AZ', 'MEHR', 'URLB', 'KRANK'))
       - (SELECT SUM(s.TgbSol) FROM Qvx320Tgb s
           WHERE s.TgbPnr = t.TgbPnr AND s.TgbZtr = 1 AND s.TgbDtm <= t.TgbDtm) AS Bal
    FROM Qvx320Tgb t
   WHERE t.TgbZtr = 1;

UPDATE Qvx320Tgb t
  JOIN DemoBalance b ON b.Pnr = t.TgbPnr AND b.Dtm = t.TgbDtm
  JOIN DemoPerson p ON p.Pnr = t.TgbPnr
   SET t.TgbSa2 = p.Start + b.Bal
 WHERE t.TgbZtr = 1;

-- Day codes: vacation, half-day vacation, sickness; presence marks on
-- worked days.
INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagTgb, TagHtv, TagHtn, TagOne, TagKom, TagGeh)
  SELECT w.Pnr, w.Dtm, w.Dtm,
         CASE w.Kind WHEN 'U' THEN 'U' WHEN 'K' THEN 'K' ELSE NULL END,
         CASE w.Kind WHEN 'H' THEN 'HU' ELSE NULL END,
         NULL, 0,
         CASE WHEN w.Kind IN ('W', 'S', 'H') THEN 1 ELSE 0 END,
         CASE WHEN w.Kind IN ('W', 'S', 'H') THEN 1 ELSE 0 END
    FROM DemoWork w
   WHERE w.Kind <> '-';

-- Leave balances: remaining days at the end of October and of November.
INSERT INTO QVX332UTG (UtgPnr, UtgDtm, UtgRtg, UtgVtg)
  SELECT Pnr, '2026-10-31', Rtg, 0 FROM DemoPerson;

INSERT INTO QVX332UTG (UtgPnr, UtgDtm, UtgRtg, UtgVtg)
  SELECT p.Pnr, '2026-11-30',
         p.Rtg - (SELECT COALESCE(SUM(z.ZkbTge), 0) FROM Qvx331Zkb z
                   WHERE z.ZkbPnr = p.Pnr AND z.ZkbZtr = 1 AND z.ZkbZkt = 'URLB') / 10,
         0
    FROM DemoPerson p;

DROP TABLE DemoBalance;
DROP TABLE DemoWork;
DROP TABLE DemoPerson;

-- ---------------------------------------------------------------------------
-- LODAS circle LD1 and LOGA2001 circle LG1: two employees each, November 2026.
-- Month accounts (hours), a day account with a night bonus on two days and a
-- vacation run of days (days, an absence for LOGA2001).
INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt, AkrVws, AkrEbn) VALUES
  ('LD1', 'LO1', 1, 0, 1, 0, NULL, 0),
  ('LG1', 'LG1', 1, 0, 1, 0, NULL, 0);
INSERT INTO Qvx171Lug (LugLug, LugLgp, LugAnz, LugDtm, LugMon, LugUnt, LugFir, LugAkr, LugPnr, LugSta) VALUES
  ('LO1', 'LODAS', 0, 0, 0, 0, '10001', '4711', 0, 0),
  ('LG1', 'LOGA2', 0, 0, 0, 0, '100', '01', 0, 0);
INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A) VALUES ('LODAS', 'LA', 0, 0, 0, 0), ('LOGA2', 'LA', 0, 0, 0, 0);
INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Rre, Lu1Tgw, Lu1Kst, Lu1Ktr, Lu1Tge, Lu1Sts, Lu1Ztr) VALUES
  ('LO1', 'LA', 'AZ',    '100', NULL, '2026-01-01', 1, 0, 1, 1, 0, 0, 0),
  ('LO1', 'LA', 'MEHR',  '120', NULL, '2026-01-01', 1, 0, 1, 0, 0, 0, 0),
  ('LO1', 'LA', 'NACHT', '131', NULL, '2026-01-01', 1, 0, 1, 0, 0, 0, 1),
  ('LO1', 'LA', 'URLB',  '300', NULL, '2026-01-01', 1, 0, 0, 0, 1, 0, 1),
  ('LG1', 'LA', 'AZ',    '1000', NULL, '2026-01-01', 1, 0, 1, 0, 0, 0, 0),
  ('LG1', 'LA', 'MEHR',  '1200', NULL, '2026-01-01', 1, 0, 1, 0, 0, 0, 0),
  ('LG1', 'LA', 'URLB',  'UR',   'UR', '2026-01-01', 1, 0, 0, 0, 1, 5, 1);
INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES
  ('LD1', 11, '2026-11-01', '2026-11-30'),
  ('LG1', 11, '2026-11-01', '2026-11-30');
INSERT INTO Qvx300Pnr (PnrNum, PnrNam) VALUES
  ('9101', 'Weiß, Jörg'), ('9102', 'Özdemir, Aylin'), ('9201', 'Schäfer, Uwe'), ('9202', 'Groß, Lena');
INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug) VALUES
  ('9101', 'LD1', '2026-01-01', NULL, '101'), ('9102', 'LD1', '2026-01-01', NULL, '102'),
  ('9201', 'LG1', '2026-01-01', NULL, '201'), ('9202', 'LG1', '2026-01-01', NULL, '202');
INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoGbi, ZuoKst, ZuoKtr, ZuoKrt) VALUES
  ('9101', '2026-01-01', NULL, 'Säge', 'TISCH', '6200'), ('9102', '2026-01-01', NULL, 'Lack', 'STUHL', '6200'),
  ('9201', '2026-01-01', NULL, 'Büro', 'VERW', '6200'), ('9202', '2026-01-01', NULL, 'Lager', 'VERW', '6200');
INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd) VALUES
  ('9101', 3, '2026-11-30', 'Säge', 'TISCH', '6200', 'AZ', 9600),
  ('9101', 3, '2026-11-30', 'Säge', 'TISCH', '6200', 'MEHR', 185),
  ('9101', 1, '2026-11-10', 'Säge', 'TISCH', '6200', 'NACHT', 120),
  ('9101', 1, '2026-11-11', 'Säge', 'TISCH', '6200', 'NACHT', 90),
  ('9102', 3, '2026-11-30', 'Lack', 'STUHL', '6200', 'AZ', 7200),
  ('9102', 1, '2026-11-23', 'Lack', 'STUHL', '6200', 'URLB', 480),
  ('9102', 1, '2026-11-24', 'Lack', 'STUHL', '6200', 'URLB', 480),
  ('9201', 3, '2026-11-30', 'Büro', 'VERW', '6200', 'AZ', 9840),
  ('9201', 3, '2026-11-30', 'Büro', 'VERW', '6200', 'MEHR', -45),
  ('9202', 3, '2026-11-30', 'Lager', 'VERW', '6200', 'AZ', 6720),
  ('9202', 1, '2026-11-16', 'Lager', 'VERW', '6200', 'URLB', 480),
  ('9202', 1, '2026-11-17', 'Lager', 'VERW', '6200', 'URLB', 480),
  ('9202', 1, '2026-11-18', 'Lager', 'VERW', '6200', 'URLB', 480);

-- ---------------------------------------------------------------------------
-- Circles of further payroll systems, settled by the demo after D1: six
-- employees each, copies of employees 1001 to 1006 (same bookings, day
-- records and leave) under personnel numbers 2001.. (sage, circle S1),
-- 3001.. (Raet, R1), 4001.. (XXL-Exact, X1) and 5001.. (EMIS, E1). The
-- wage-type lines are those of DV1; sage and XXL-Exact take three-digit wage
-- types (the first three digits), Raet pays night work with the factor 1.25
-- and hands over one month later (LugMon 1).
-- ---------------------------------------------------------------------------

INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt, AkrVws, AkrEbn) VALUES
  ('S1', 'SG1', 0, 0, 0, 0, NULL, 0), ('R1', 'RT1', 0, 0, 0, 0, NULL, 0),
  ('X1', 'XL1', 0, 0, 0, 0, NULL, 0), ('E1', 'EM1', 0, 0, 0, 0, NULL, 0);

INSERT INTO Qvx171Lug (LugLug, LugLgp, LugAnz, LugDtm, LugMon, LugUnt, LugFir, LugAkr, LugPnr, LugSta) VALUES
  ('SG1', 'sage', 0, 0, 0, 0, '10001', 'S1', 0, 0), ('RT1', 'Raet', 0, 0, 1, 0, '10001', 'R1', 0, 0),
  ('XL1', 'XXL',  0, 0, 0, 0, '10001', 'X1', 0, 0), ('EM1', 'EMIS', 0, 0, 0, 0, '10001', 'E1', 0, 0);

INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A) VALUES
  ('sage', 'LA', 1, 1, 0, 0), ('Raet', 'LA', 1, 1, 0, 0), ('XXL', 'LA', 1, 1, 0, 0), ('EMIS', 'LA', 1, 1, 0, 0);

INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis)
  SELECT c.Akr, a.AbrNum, a.AbrVon, a.AbrBis
    FROM Qvx330Abr a CROSS JOIN (SELECT 'S1' AS Akr UNION ALL SELECT 'R1' UNION ALL SELECT 'X1' UNION ALL SELECT 'E1') c
   WHERE a.AbrAkr = 'D1';

DROP TABLE IF EXISTS DemoLu1;
CREATE TABLE DemoLu1 AS
  SELECT l.*, i.Num AS DemoNum
    FROM Qvx171Lu1 l
    CROSS JOIN (SELECT 'SG1' AS Num UNION ALL SELECT 'RT1' UNION ALL SELECT 'XL1' UNION ALL SELECT 'EM1') i
   WHERE l.Lu1Num = 'DV1';
UPDATE DemoLu1 SET Lu1Num = DemoNum,
                   Lu1Lna = CASE WHEN DemoNum IN ('SG1', 'XL1') THEN LEFT(Lu1Lna, 3) ELSE Lu1Lna END,
                   Lu1Mog = CASE WHEN DemoNum = 'RT1' AND Lu1Ztk = 'NACHT' THEN 1.25 ELSE Lu1Mog END;
ALTER TABLE DemoLu1 DROP COLUMN DemoNum;
INSERT INTO Qvx171Lu1 SELECT * FROM DemoLu1;
DROP TABLE DemoLu1;

-- the copied employees: source, new personnel number, circle
DROP TABLE IF EXISTS DemoMap;
CREATE TABLE DemoMap (Src VARCHAR(8) NOT NULL, Dst VARCHAR(8) NOT NULL, Akr VARCHAR(7) NOT NULL) DEFAULT CHARSET=latin1;
INSERT INTO DemoMap
  SELECT p.PnrNum, CONCAT(c.Digit, SUBSTR(p.PnrNum, 2)), c.Akr
    FROM Qvx300Pnr p
    CROSS JOIN (SELECT '2' AS Digit, 'S1' AS Akr UNION ALL SELECT '3', 'R1' UNION ALL SELECT '4', 'X1'
                UNION ALL SELECT '5', 'E1') c
   WHERE p.PnrNum BETWEEN '1001' AND '1006';

DROP TABLE IF EXISTS DemoCopy;
CREATE TABLE DemoCopy AS SELECT t.*, m.Dst AS DemoDst FROM Qvx300Pnr t JOIN DemoMap m ON m.Src = t.PnrNum;
UPDATE DemoCopy SET PnrNum = DemoDst;
ALTER TABLE DemoCopy DROP COLUMN DemoDst;
INSERT INTO Qvx300Pnr SELECT * FROM DemoCopy;
DROP TABLE DemoCopy;

CREATE TABLE DemoCopy AS SELECT t.*, m.Dst AS DemoDst, m.Akr AS DemoAkr FROM Qvx310Bsv t JOIN DemoMap m ON m.Src = t.BsvPnr;
UPDATE DemoCopy SET BsvPnr = DemoDst, BsvAkr = DemoAkr;
ALTER TABLE DemoCopy DROP COLUMN DemoDst, DROP COLUMN DemoAkr;
INSERT INTO Qvx310Bsv SELECT * FROM DemoCopy;
DROP TABLE DemoCopy;

CREATE TABLE DemoCopy AS SELECT t.*, m.Dst AS DemoDst FROM QVX311ZUO t JOIN DemoMap m ON m.Src = t.ZuoPnr;
UPDATE DemoCopy SET ZuoPnr = DemoDst;
ALTER TABLE DemoCopy DROP COLUMN DemoDst;
INSERT INTO QVX311ZUO SELECT * FROM DemoCopy;
DROP TABLE DemoCopy;

CREATE TABLE DemoCopy AS SELECT t.*, m.Dst AS DemoDst FROM Qvx331Zkb t JOIN DemoMap m ON m.Src = t.ZkbPnr;
UPDATE DemoCopy SET ZkbPnr = DemoDst;
ALTER TABLE DemoCopy DROP COLUMN DemoDst;
INSERT INTO Qvx331Zkb SELECT * FROM DemoCopy;
DROP TABLE DemoCopy;

CREATE TABLE DemoCopy AS SELECT t.*, m.Dst AS DemoDst FROM Qvx320Tgb t JOIN DemoMap m ON m.Src = t.TgbPnr;
UPDATE DemoCopy SET TgbPnr = DemoDst;
ALTER TABLE DemoCopy DROP COLUMN DemoDst;
INSERT INTO Qvx320Tgb SELECT * FROM DemoCopy;
DROP TABLE DemoCopy;

CREATE TABLE DemoCopy AS SELECT t.*, m.Dst AS DemoDst FROM Qvx327Tag t JOIN DemoMap m ON m.Src = t.TagPnr;
UPDATE DemoCopy SET TagPnr = DemoDst;
ALTER TABLE DemoCopy DROP COLUMN DemoDst;
INSERT INTO Qvx327Tag SELECT * FROM DemoCopy;
DROP TABLE DemoCopy;

CREATE TABLE DemoCopy AS SELECT t.*, m.Dst AS DemoDst FROM QVX332UTG t JOIN DemoMap m ON m.Src = t.UtgPnr;
UPDATE DemoCopy SET UtgPnr = DemoDst;
ALTER TABLE DemoCopy DROP COLUMN DemoDst;
INSERT INTO QVX332UTG SELECT * FROM DemoCopy;
DROP TABLE DemoCopy;

DROP TABLE DemoMap;

-- ---------------------------------------------------------------------------
-- Circles of the payroll systems fed through the database or through their
-- own files, November 2026 (accounting number 11), two employees each:
--   L4  Loga400 (interface LG4, code LOGA): B1 totals and B6 wage lines
--   AS  Asring (interface ASR, code ASR): wage values and absence periods
--   SP  Schleupen (interface SLP, code SCHLP, accounting month handed over):
--       LOXF-0001.csv
-- Accounts AZ and MEHR are month accounts, URLB runs of days (days).
-- ---------------------------------------------------------------------------

INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt, AkrVws, AkrEbn) VALUES
  ('L4', 'LG4', 0, 0, 0, 0, NULL, 0),
  ('AS', 'ASR', 0, 0, 0, 0, NULL, 0),
  ('SP', 'SLP', 0, 31, 0, 0, NULL, 0);

INSERT INTO Qvx171Lug (LugLug, LugLgp, LugAnz, LugDtm, LugMon, LugUnt, LugFir, LugAkr, LugPnr, LugSta) VALUES
  ('LG4', 'LOGA', 0, 0, 0, 0, '12', '04', 0, 0),
  ('ASR', 'ASR', 0, 0, 0, 0, '120', '05', 0, 0),
  ('SLP', 'SCHLP', 0, 0, 0, 0, '10001', '06', 0, 0);

INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A) VALUES
  ('LOGA', 'B1', 1, 0, 1, 0), ('LOGA', 'B6', 0, 0, 0, 0),
  ('ASR', 'LS', 0, 0, 0, 0), ('ASR', 'SS', 0, 0, 0, 0),
  ('SCHLP', 'LA', 0, 0, 0, 0);

INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Tgw, Lu1Kst, Lu1Tge, Lu1Sts, Lu1Ztr, Lu1Mog) VALUES
  ('LG4', 'B1', 'AZ',   '100',   NULL, '2026-01-01', 0, 1, 0,   1, 0, NULL),
  ('LG4', 'B1', 'URLB', '300',   NULL, '2026-01-01', 0, 1, 1, 105, 1, NULL),
  ('LG4', 'B6', 'AZ',   '100',   NULL, '2026-01-01', 0, 1, 0,   0, 0, NULL),
  ('LG4', 'B6', 'MEHR', '120',   NULL, '2026-01-01', 0, 1, 0,   0, 0, 1.25),
  ('ASR', 'LS', 'AZ',   'L1000', NULL, '2026-01-01', 0, 1, 0,   0, 0, NULL),
  ('ASR', 'LS', 'MEHR', 'L1200', NULL, '2026-01-01', 0, 0, 0,   0, 0, NULL),
  ('ASR', 'SS', 'URLB', 'L3000', 'U',  '2026-01-01', 0, 1, 1, 105, 1, NULL),
  ('SLP', 'LA', 'AZ',   '100',   NULL, '2026-01-01', 0, 1, 0,   0, 0, NULL),
  ('SLP', 'LA', 'MEHR', '120',   NULL, '2026-01-01', 0, 1, 0,   0, 0, NULL),
  ('SLP', 'LA', 'URLB', '300',   NULL, '2026-01-01', 0, 1, 1, 105, 1, NULL);

INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES
  ('L4', 11, '2026-11-01', '2026-11-30'),
  ('AS', 11, '2026-11-01', '2026-11-30'),
  ('SP', 11, '2026-11-01', '2026-11-30');

INSERT INTO Qvx300Pnr (PnrNum, PnrNam) VALUES
  ('6001', 'Kühn, Lars'), ('6002', 'Böhm, Gisela'),
  ('6501', 'Seiß, Martin'), ('6502', 'Vögele, Rita'),
  ('7001', 'Hübner, Otto'), ('7002', 'Schütz, Eva');

INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug) VALUES
  ('6001', 'L4', '2020-01-01', NULL, '42001'), ('6002', 'L4', '2021-01-01', NULL, '42002'),
  ('6501', 'AS', '2020-01-01', NULL, '52501'), ('6502', 'AS', '2021-01-01', NULL, '52502'),
  ('7001', 'SP', '2020-01-01', NULL, NULL), ('7002', 'SP', '2021-01-01', NULL, NULL);

INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoKst, ZuoKtr, ZuoKrt) VALUES
  ('6001', '2020-01-01', '4100', '', '6200'), ('6002', '2020-01-01', '4200', '', '6200'),
  ('6501', '2020-01-01', '4100', '', '6200'), ('6502', '2020-01-01', '4200', '', '6200'),
  ('7001', '2020-01-01', '4100', '', '6200'), ('7002', '2020-01-01', '4200', '', '6200');

-- target hours of the period start (hours handed over by Loga400)
INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbMax) VALUES ('6001', '2026-11-01', 3, 480), ('6002', '2026-11-01', 3, 480);

INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKrt, ZkbZkt, ZkbStd)
  SELECT p.Pnr, 3, '2026-11-30', p.Kst, '6200', a.Zkt,
         CASE a.Zkt WHEN 'AZ' THEN p.Az ELSE p.Mehr END
    FROM (SELECT '6001' AS Pnr, '4100' AS Kst, 9600 AS Az, 330 AS Mehr UNION ALL
          SELECT '6002', '4200', 8160, -45 UNION ALL
          SELECT '6501', '4100', 9600, 150 UNION ALL
          SELECT '6502', '4200', 7680, -90 UNION ALL
          SELECT '7001', '4100', 9600, 100 UNION ALL
          SELECT '7002', '4200', 8640, -20) p,
         (SELECT 'AZ' AS Zkt UNION ALL SELECT 'MEHR') a;

-- vacation from Monday 16 to Wednesday 18 November for the first employee of
-- each circle
INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKrt, ZkbZkt, ZkbStd)
  SELECT p.Pnr, 1, d.Dtm, p.Kst, '6200', 'URLB', 480
    FROM (SELECT '6001' AS Pnr, '4100' AS Kst UNION ALL SELECT '6501', '4100' UNION ALL SELECT '7001', '4100') p,
         (SELECT '2026-11-16' AS Dtm UNION ALL SELECT '2026-11-17' UNION ALL SELECT '2026-11-18') d;

-- ---------------------------------------------------------------------------
-- Circle 'P1': PAISY (interface 'PS1', firm "_7" -> " 7"), accounting number
-- 21 = November 2026. Working time and overtime as P1 wage lines, vacation
-- runs as P3 absence periods, the statistics row as P4 day counts.
-- Circle 'P2': PAISY(Br) (interface 'PB1', firm 0815), accounting number 31 =
-- November 2026: hours-only P1b lines and P4b lines with the monthly hours.
-- Own accounting numbers, so that the circles' transfer records stay apart.
-- ---------------------------------------------------------------------------

INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt, AkrVws, AkrEbn)
  VALUES ('P1', 'PS1', 1, 0, 0, 0, NULL, 0), ('P2', 'PB1', 1, 0, 0, 0, NULL, 0);
INSERT INTO Qvx171Lug (LugLug, LugLgp, LugAnz, LugDtm, LugMon, LugUnt, LugFir, LugAkr, LugPnr, LugSta)
  VALUES ('PS1', 'PAISY', 0, 0, 0, 0, '_7', '02', 0, 0), ('PB1', 'PSYBR', 0, 0, 0, 0, '0815', '03', 0, 0);
INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A) VALUES
  ('PAISY', 'P1', 1, 1, 0, 0), ('PAISY', 'P3', 1, 1, 0, 0), ('PSYBR', 'P1', 1, 1, 0, 0);
INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Rre, Lu1Tgw, Lu1Kst, Lu1Ktr, Lu1Tge,
                       Lu1Sol, Lu1Svk, Lu1Sts, Lu1Ztr) VALUES
  ('PS1', 'P1', 'AZ',   '100', NULL, '2026-01-01', 1, 0, 1, 0, 0, 0, 0, 102, 0),
  ('PS1', 'P1', 'MEHR', '120', 'UE', '2026-01-01', 1, 1, 1, 0, 0, 0, 0,   0, 0),
  ('PS1', 'P3', 'URLB', 'U1',  NULL, '2026-01-01', 1, 0, 0, 0, 0, 1, 1, 105, 1),
  ('PB1', 'P1', 'AZ',   '100', NULL, '2026-01-01', 1, 0, 1, 0, 0, 0, 0, 102, 0),
  ('PB1', 'P1', 'MEHR', '120', 'UE', '2026-01-01', 1, 1, 1, 0, 0, 0, 0,   0, 0);
INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES
  ('P1', 21, '2026-11-01', '2026-11-30'), ('P2', 31, '2026-11-01', '2026-11-30');
INSERT INTO Qvx300Pnr (PnrNum, PnrNam) VALUES
  ('7101', 'Schäfer, Jörg'), ('7102', 'Weiß, Ute'), ('7201', 'Größ, Anke'), ('7202', 'Kühne, Max');
INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug, BsvSfr, BsvDms) VALUES
  ('7101', 'P1', '2020-01-01', NULL, '7101', NULL, 9600), ('7102', 'P1', '2021-01-01', NULL, '7102', NULL, 4800),
  ('7201', 'P2', '2020-01-01', NULL, '7201', NULL, 9600), ('7202', 'P2', '2026-11-16', NULL, '7202', NULL, 9600);
INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoGbi, ZuoKst, ZuoKtr, ZuoKrt) VALUES
  ('7101', '2020-01-01', NULL, 'Küche', '', ''), ('7102', '2021-01-01', NULL, 'Lager', '', ''),
  ('7201', '2020-01-01', NULL, 'Küche', '', ''), ('7202', '2026-11-16', NULL, 'Lager', '', '');
-- working time of the workdays (period values kind 3, day values kind 1),
-- overtime on Mondays, vacation of 7101 from 10 to 12 November
INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg, ZkbSta, ZkbDat)
  SELECT p.Pnr, k.Ztr, b.BakDtm, p.Kst, '', '', 'AZ', p.Min, 0, 0, 0, TIMESTAMP(b.BakDtm, '22:00:00')
    FROM Darvonix.Qvx133Bak b
    CROSS JOIN (SELECT '7101' AS Pnr, 'Küche' AS Kst, 480 AS Min, '2026-11-01' AS Von UNION ALL
                SELECT '7102', 'Lager', 240, '2026-11-01' UNION ALL
                SELECT '7201', 'Küche', 480, '2026-11-01' UNION ALL
                SELECT '7202', 'Lager', 480, '2026-11-16') p
    CROSS JOIN (SELECT 1 AS Ztr UNION ALL SELECT 3) k
   WHERE b.BakDtm BETWEEN p.Von AND '2026-11-30' AND WEEKDAY(b.BakDtm) < 5
     AND NOT (p.Pnr = '7101' AND b.BakDtm BETWEEN '2026-11-10' AND '2026-11-12');
INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg, ZkbSta, ZkbDat)
  SELECT z.ZkbPnr, z.ZkbZtr, z.ZkbDtm, z.ZkbKst, '', '', 'MEHR', 45, 0, 0, 0, z.ZkbDat
    FROM Qvx331Zkb z WHERE z.ZkbPnr IN ('7101', '7102', '7201', '7202') AND z.ZkbZkt = 'AZ' AND WEEKDAY(z.ZkbDtm) = 0;
INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg, ZkbSta, ZkbDat) VALUES
  ('7101', 1, '2026-11-10', 'Küche', '', '', 'URLB', 480, 10, 0, 0, '2026-11-10 22:00:00'),
  ('7101', 1, '2026-11-11', 'Küche', '', '', 'URLB', 480, 10, 0, 0, '2026-11-11 22:00:00'),
  ('7101', 1, '2026-11-12', 'Küche', '', '', 'URLB', 480, 10, 0, 0, '2026-11-12 22:00:00');
INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol)
  SELECT p.Pnr, b.BakDtm, 1, IF(WEEKDAY(b.BakDtm) < 5, p.Min, 0)
    FROM Darvonix.Qvx133Bak b
    CROSS JOIN (SELECT '7101' AS Pnr, 480 AS Min UNION ALL SELECT '7102', 240) p
   WHERE b.BakDtm BETWEEN '2026-11-01' AND '2026-11-30';

-- ---------------------------------------------------------------------------
-- Circles of the SAP, TOPAS and Perman interfaces: three employees each,
-- November 2026 (accounting number 11) with working time and overtime as
-- month accounts and three days of vacation as a run of days.
-- ---------------------------------------------------------------------------

INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt, AkrVws, AkrEbn) VALUES
  ('SA', 'SAP1', 1, 0, 0, 0, NULL, 0),
  ('T1', 'TOP1', 1, 0, 0, 0, NULL, 0),
  ('PM', 'PRM1', 1, 0, 0, 0, NULL, 0);

INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir, LugAkr) VALUES
  ('SAP1', 'SAP', '300', '01'),
  ('TOP1', 'TOPAS', '042', '01'),
  ('PRM1', 'PRMAN', '60763', '01');

INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz) VALUES ('SAP', 'LA'), ('TOPAS', 'LS'), ('TOPAS', 'SS'), ('PRMAN', 'LA');

-- SAP: absence code 0100 sends vacation to infotype 2001; overtime is paid
-- with a factor of 1.25. TOPAS: wage values as record type LS, the vacation
-- period as SS. Perman: vacation days under V193.
INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Kst, Lu1Ktr, Lu1Tge, Lu1Ztr, Lu1Mog, Lu1Fkz) VALUES
  ('SAP1', 'LA', 'AZ',   '1000', NULL, '2026-01-01', 1, 1, 0, 0, NULL, '0'),
  ('SAP1', 'LA', 'MEHR', '1200', NULL, '2026-01-01', 1, 0, 0, 0, 1.25, '0'),
  ('SAP1', 'LA', 'URLB', '0100', NULL, '2026-01-01', 0, 0, 1, 1, NULL, '0100'),
  ('TOP1', 'LS', 'AZ',   '100',  NULL, '2026-01-01', 1, 1, 0, 0, NULL, NULL),
  ('TOP1', 'LS', 'MEHR', '120',  NULL, '2026-01-01', 1, 0, 0, 0, NULL, NULL),
  ('TOP1', 'SS', 'URLB', '300',  'UR', '2026-01-01', 0, 0, 1, 1, NULL, NULL),
  ('PRM1', 'LA', 'AZ',   'L100', NULL, '2026-01-01', 1, 1, 0, 0, NULL, NULL),
  ('PRM1', 'LA', 'MEHR', 'L200', NULL, '2026-01-01', 1, 0, 0, 0, 1.25, NULL),
  ('PRM1', 'LA', 'URLB', 'V193', NULL, '2026-01-01', 0, 0, 1, 1, NULL, NULL);

INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES
  ('SA', 11, '2026-11-01', '2026-11-30'),
  ('T1', 11, '2026-11-01', '2026-11-30'),
  ('PM', 11, '2026-11-01', '2026-11-30');

INSERT INTO Qvx300Pnr (PnrNum, PnrNam) VALUES
  ('8001', 'Bürger-Löwenthal, Hans-Jürgen Maximilian'), ('8002', 'Öztürk, Aylin'), ('8003', 'Weißmann, Eva'),
  ('8101', 'Kröger, Tim'), ('8102', 'Mäder, Susi'), ('8103', 'Fröhlich, Olaf'),
  ('8201', 'Gärtner, Udo'), ('8202', 'Hüther, Lea'), ('8203', 'Strüver, Max');

INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvLug) VALUES
  ('8001', 'SA', '2020-01-01', '52001'), ('8002', 'SA', '2020-01-01', '52002'), ('8003', 'SA', '2020-01-01', '52003'),
  ('8101', 'T1', '2020-01-01', '73001'), ('8102', 'T1', '2020-01-01', '73002'), ('8103', 'T1', '2020-01-01', '73003'),
  ('8201', 'PM', '2020-01-01', '8201'), ('8202', 'PM', '2020-01-01', '8202'), ('8203', 'PM', '2020-01-01', '8203');

INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoKst, ZuoKtr) VALUES
  ('8001', '2020-01-01', '4100', 'TISCH'), ('8002', '2020-01-01', '4200', 'SOFA'), ('8003', '2020-01-01', '4300', ''),
  ('8101', '2020-01-01', '4100', 'TISCH'), ('8102', '2020-01-01', '4200', 'SOFA'), ('8103', '2020-01-01', '4300', ''),
  ('8201', '2020-01-01', '4100', 'TISCH'), ('8202', '2020-01-01', '4200', 'SOFA'), ('8203', '2020-01-01', '4300', '');

INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbZkt, ZkbStd)
  SELECT z.ZuoPnr, 3, '2026-11-30', z.ZuoKst, z.ZuoKtr, a.Zkt, a.Std + 60 * (CAST(z.ZuoPnr AS UNSIGNED) % 10)
    FROM QVX311ZUO z
    JOIN (SELECT 'AZ' AS Zkt, 9600 AS Std UNION ALL SELECT 'MEHR', 150) a
   WHERE z.ZuoPnr BETWEEN '8001' AND '8203';

INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbZkt, ZkbStd)
  SELECT z.ZuoPnr, 1, d.Dtm, z.ZuoKst, z.ZuoKtr, 'URLB', 480
    FROM QVX311ZUO z
    JOIN (SELECT '2026-11-10' AS Dtm UNION ALL SELECT '2026-11-11' UNION ALL SELECT '2026-11-12') d
   WHERE z.ZuoPnr IN ('8002', '8102', '8202');

-- ---------------------------------------------------------------------------
-- Circles of the ProAL, SBS, Baumann and GOD interfaces, November 2026: each
-- has four employees whose bookings are those of 1001 to 1004 (night shift,
-- Sunday work, vacation 9-13 November, sickness 10-12 November), numbered
-- 9301-9304 (PR), 9401-9404 (SB), 9501-9504 (B1) and 9601-9604 (G1).
--   PR -> ProAL  (ProAL.txt)        SB -> SBS     (BEWA-042.DAT)
--   B1 -> BAUMN  (BMNLUG.txt)       G1 -> GOD     (PVZERZDP.DAT)
-- ---------------------------------------------------------------------------

INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt, AkrVws, AkrEbn) VALUES
  ('PR', 'PA1', 0, 0, 0, 0, NULL, 0), ('SB', 'SB1', 0, 0, 0, 0, NULL, 0),
  ('B1', 'BM1', 0, 0, 0, 0, NULL, 0), ('G1', 'GD1', 0, 0, 0, 0, NULL, 0);

INSERT INTO Qvx171Lug (LugLug, LugLgp, LugAnz, LugDtm, LugMon, LugUnt, LugFir, LugAkr, LugPnr, LugSta) VALUES
  ('PA1', 'ProAL', 0, 0, 0, 0, '10001', '01', 0, 0), ('SB1', 'SBS', 0, 0, 0, 0, '42', '01', 0, 0),
  ('BM1', 'BAUMN', 0, 0, 0, 0, '10001', '01', 0, 0), ('GD1', 'GOD', 0, 0, 0, 0, '1000', '01', 0, 0);

INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A) VALUES
  ('ProAL', 'LA', 1, 1, 0, 0), ('SBS', 'LA', 1, 1, 0, 0), ('BAUMN', 'LA', 1, 1, 0, 0),
  ('GOD', '970', 1, 1, 0, 0), ('GOD', '331', 0, 0, 0, 0);

-- month accounts, the night premium per day (ProAL without cost centre and
-- cost object), vacation and sickness as runs of days; GOD hands over hours
-- as kind 970 and the absences as periods of kind 331
INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Tgw, Lu1Kst, Lu1Ktr, Lu1Tge, Lu1Ztr) VALUES
  ('PA1', 'LA',  'AZ',    '100',  NULL, '2026-01-01', 0, 1, 1, 0, 0),
  ('PA1', 'LA',  'MEHR',  '120',  NULL, '2026-01-01', 0, 1, 1, 0, 0),
  ('PA1', 'LA',  'NACHT', '131',  NULL, '2026-01-01', 1, 0, 0, 0, 0),
  ('PA1', 'LA',  'URLB',  '300',  NULL, '2026-01-01', 0, 1, 1, 0, 1),
  ('SB1', 'LA',  'AZ',    '100',  NULL, '2026-01-01', 0, 1, 1, 0, 0),
  ('SB1', 'LA',  'MEHR',  '120',  NULL, '2026-01-01', 0, 1, 1, 0, 0),
  ('SB1', 'LA',  'URLB',  '300',  NULL, '2026-01-01', 0, 1, 1, 0, 1),
  ('SB1', 'LA',  'KRANK', '400',  NULL, '2026-01-01', 0, 1, 1, 0, 1),
  ('BM1', 'LA',  'AZ',    '100',  NULL, '2026-01-01', 0, 1, 1, 0, 0),
  ('BM1', 'LA',  'MEHR',  '120',  NULL, '2026-01-01', 0, 1, 1, 0, 0),
  ('BM1', 'LA',  'NACHT', '131',  NULL, '2026-01-01', 1, 1, 1, 0, 0),
  ('BM1', 'LA',  'SONN',  '132',  NULL, '2026-01-01', 1, 1, 1, 0, 0),
  ('GD1', '970', 'AZ',    '1000', NULL, '2026-01-01', 0, 1, 1, 0, 0),
  ('GD1', '970', 'MEHR',  '1200', NULL, '2026-01-01', 0, 1, 1, 0, 0),
  ('GD1', '331', 'URLB',  'U',    'UR', '2026-01-01', 0, 1, 1, 1, 1),
  ('GD1', '331', 'KRANK', 'K',    'KR', '2026-01-01', 0, 1, 1, 1, 1);

-- the circles and the first two digits of their personnel numbers
CREATE TEMPORARY TABLE DemoCircle (Akr VARCHAR(7), Dg CHAR(2));
INSERT INTO DemoCircle VALUES ('PR', '93'), ('SB', '94'), ('B1', '95'), ('G1', '96');

INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis)
  SELECT c.Akr, a.AbrNum, a.AbrVon, a.AbrBis FROM Qvx330Abr a JOIN DemoCircle c WHERE a.AbrAkr = 'D1';

INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug, BsvSfr, BsvDms)
  SELECT CONCAT(c.Dg, SUBSTR(b.BsvPnr, 3)), c.Akr, b.BsvGvo, b.BsvGbi, NULL, NULL, b.BsvDms
    FROM Qvx310Bsv b JOIN DemoCircle c WHERE b.BsvAkr = 'D1' AND b.BsvPnr IN ('1001', '1002', '1003', '1004');

-- names, cost assignments, bookings, day records, day codes and leave of
-- 1001 to 1004 under the new numbers

CREATE TEMPORARY TABLE DemoRows AS SELECT x.*, c.Dg FROM Qvx300Pnr x JOIN DemoCircle c WHERE x.PnrNum IN ('1001', '1002', '1003', '1004');
UPDATE DemoRows SET PnrNum = CONCAT(Dg, SUBSTR(PnrNum, 3));
ALTER TABLE DemoRows DROP COLUMN Dg;
INSERT INTO Qvx300Pnr SELECT * FROM DemoRows;
DROP TEMPORARY TABLE DemoRows;

CREATE TEMPORARY TABLE DemoRows AS SELECT x.*, c.Dg FROM QVX311ZUO x JOIN DemoCircle c WHERE x.ZuoPnr IN ('1001', '1002', '1003', '1004');
UPDATE DemoRows SET ZuoPnr = CONCAT(Dg, SUBSTR(ZuoPnr, 3));
ALTER TABLE DemoRows DROP COLUMN Dg;
INSERT INTO QVX311ZUO SELECT * FROM DemoRows;
DROP TEMPORARY TABLE DemoRows;

CREATE TEMPORARY TABLE DemoRows AS SELECT x.*, c.Dg FROM Qvx331Zkb x JOIN DemoCircle c WHERE x.ZkbPnr IN ('1001', '1002', '1003', '1004');
UPDATE DemoRows SET ZkbPnr = CONCAT(Dg, SUBSTR(ZkbPnr, 3));
ALTER TABLE DemoRows DROP COLUMN Dg;
INSERT INTO Qvx331Zkb SELECT * FROM DemoRows;
DROP TEMPORARY TABLE DemoRows;

CREATE TEMPORARY TABLE DemoRows AS SELECT x.*, c.Dg FROM Qvx320Tgb x JOIN DemoCircle c WHERE x.TgbPnr IN ('1001', '1002', '1003', '1004');
UPDATE DemoRows SET TgbPnr = CONCAT(Dg, SUBSTR(TgbPnr, 3));
ALTER TABLE DemoRows DROP COLUMN Dg;
INSERT INTO Qvx320Tgb SELECT * FROM DemoRows;
DROP TEMPORARY TABLE DemoRows;

CREATE TEMPORARY TABLE DemoRows AS SELECT x.*, c.Dg FROM Qvx327Tag x JOIN DemoCircle c WHERE x.TagPnr IN ('1001', '1002', '1003', '1004');
UPDATE DemoRows SET TagPnr = CONCAT(Dg, SUBSTR(TagPnr, 3));
ALTER TABLE DemoRows DROP COLUMN Dg;
INSERT INTO Qvx327Tag SELECT * FROM DemoRows;
DROP TEMPORARY TABLE DemoRows;

CREATE TEMPORARY TABLE DemoRows AS SELECT x.*, c.Dg FROM QVX332UTG x JOIN DemoCircle c WHERE x.UtgPnr IN ('1001', '1002', '1003', '1004');
UPDATE DemoRows SET UtgPnr = CONCAT(Dg, SUBSTR(UtgPnr, 3));
ALTER TABLE DemoRows DROP COLUMN Dg;
INSERT INTO QVX332UTG SELECT * FROM DemoRows;
DROP TEMPORARY TABLE DemoRows;

DROP TEMPORARY TABLE DemoCircle;
