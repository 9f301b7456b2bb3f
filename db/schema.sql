-- Client schema of the time-management database, as far as lugtransfer reads
-- and writes it: control tables, master and booking tables, the transfer
-- tables Qvx331Zk1/Zk2 and the retro/difference memo tables Qvx331Zk3/Zk5.
--
-- Load it into a client schema after `USE <schema>`; the file can be loaded
-- again at any time (every table is dropped and created anew, data is lost).
-- The calendar lives in the system database, see darvonix.sql.
--
-- The program spells table names in mixed case (Qvx171lu1, QVX320TGB, ...);
-- the server must run with lower_case_table_names=1.
--
-- Column widths used throughout:
--   circle key 7, interface key and payroll-system code 5, personnel number 8,
--   payroll personnel number 13, record type 5, account 5 (20 in the transfer
--   tables, where the column also carries wage types and site texts), wage
--   type 20, wage-type group 5, cost centre 30, cost unit 6, cost type 4,
--   day code 5, run key (DD.MM.YYYY HH:MM:SS) 19.
-- Texts are VARCHAR so that they come back exactly as written, trailing blanks
-- included (a wage-type group of five blanks is a real value).

SET NAMES latin1;

-- ---------------------------------------------------------------------------
-- Control tables
-- ---------------------------------------------------------------------------

-- Accounting circles: interface key, clearing flag, retro depth and run status.
DROP TABLE IF EXISTS O1001AbrKreis;
CREATE TABLE O1001AbrKreis (
  AkrNum  VARCHAR(7)  NOT NULL,
  AkrLug  VARCHAR(5)  NULL DEFAULT NULL,
  AkrSsl  SMALLINT    NOT NULL DEFAULT 0,
  AkrAzr  SMALLINT    NOT NULL DEFAULT 0,
  AkrRrm  SMALLINT    NOT NULL DEFAULT 0,
  AkrAdt  SMALLINT    NOT NULL DEFAULT 0,
  AkrVws  VARCHAR(20) NULL DEFAULT NULL,
  AkrEbn  SMALLINT    NOT NULL DEFAULT 0,
  PRIMARY KEY (AkrNum),
  KEY O1001AbrKreis_Lug (AkrLug)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Payroll-interface records: payroll-system code, date rule, month offset, firm and circle numbers.
DROP TABLE IF EXISTS Qvx171Lug;
CREATE TABLE Qvx171Lug (
  LugLug  VARCHAR(5)  NOT NULL,
  LugLgp  VARCHAR(5)  NULL DEFAULT NULL,
  LugAnz  SMALLINT    NOT NULL DEFAULT 0,
  LugDtm  SMALLINT    NOT NULL DEFAULT 0,
  LugMon  SMALLINT    NOT NULL DEFAULT 0,
  LugUnt  SMALLINT    NOT NULL DEFAULT 0,
  LugFir  VARCHAR(10) NULL DEFAULT NULL,
  LugAkr  VARCHAR(10) NULL DEFAULT NULL,
  LugPnr  SMALLINT    NOT NULL DEFAULT 0,
  LugSta  SMALLINT    NOT NULL DEFAULT 0,
  PRIMARY KEY (LugLug)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Wage-type lines of an interface: which account goes to which wage type under which record type, with validity and flags.
DROP TABLE IF EXISTS Qvx171Lu1;
CREATE TABLE Qvx171Lu1 (
  Lu1Num  VARCHAR(5)    NOT NULL,
  Lu1Stz  VARCHAR(5)    NOT NULL DEFAULT '',
  Lu1Ztk  VARCHAR(5)    NOT NULL DEFAULT '',
  Lu1Lna  VARCHAR(20)   NOT NULL DEFAULT '',
  Lu1Lgr  VARCHAR(5)    NULL DEFAULT NULL,
  Lu1Gvo  DATE          NOT NULL,
  Lu1Gbi  DATE          NULL DEFAULT NULL,
  Lu1Rre  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Tgw  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Kst  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Ktr  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Krt  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Tge  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Sol  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Svk  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Flg  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Lfn  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Sts  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Fkt  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Ztr  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Mog  DECIMAL(10,4) NULL DEFAULT NULL,
  Lu1Sta  INT           NOT NULL DEFAULT 0,
  Lu1Art  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Bau  SMALLINT      NOT NULL DEFAULT 0,
  Lu1Fkz  VARCHAR(5)    NULL DEFAULT NULL,
  KEY Qvx171Lu1_Line (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo),
  KEY Qvx171Lu1_Sts (Lu1Num, Lu1Sts),
  KEY Qvx171Lu1_Lgr (Lu1Num, Lu1Lgr),
  KEY Qvx171Lu1_Ztk (Lu1Ztk)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Record types (Satzarten) of a payroll system.
DROP TABLE IF EXISTS Qvx170Lg1;
CREATE TABLE Qvx170Lg1 (
  Lg1Num  VARCHAR(5) NOT NULL,
  Lg1Stz  VARCHAR(5) NOT NULL,
  Lg1Stt  SMALLINT   NOT NULL DEFAULT 0,
  Lg1Svt  SMALLINT   NOT NULL DEFAULT 0,
  Lg1Zes  SMALLINT   NOT NULL DEFAULT 0,
  Lg1P4A  SMALLINT   NOT NULL DEFAULT 0,
  PRIMARY KEY (Lg1Num, Lg1Stz)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Accounting periods: first and last day of each accounting number of a circle.
DROP TABLE IF EXISTS Qvx330Abr;
CREATE TABLE Qvx330Abr (
  AbrAkr  VARCHAR(7) NOT NULL,
  AbrNum  INT        NOT NULL,
  AbrVon  DATE       NULL DEFAULT NULL,
  AbrBis  DATE       NULL DEFAULT NULL,
  PRIMARY KEY (AbrAkr, AbrNum)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Master data
-- ---------------------------------------------------------------------------

-- Persons: personnel number and name.
DROP TABLE IF EXISTS Qvx300Pnr;
CREATE TABLE Qvx300Pnr (
  PnrNum  VARCHAR(8)  NOT NULL,
  PnrNam  VARCHAR(60) NULL DEFAULT NULL,
  PRIMARY KEY (PnrNum)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Employment records: circle membership from/until, payroll personnel number, special-leave model, monthly hours.
DROP TABLE IF EXISTS Qvx310Bsv;
CREATE TABLE Qvx310Bsv (
  BsvPnr  VARCHAR(8)   NOT NULL,
  BsvAkr  VARCHAR(7)   NOT NULL,
  BsvGvo  DATE         NOT NULL,
  BsvGbi  DATE         NULL DEFAULT NULL,
  BsvLug  VARCHAR(13)  NULL DEFAULT NULL,
  BsvSfr  VARCHAR(5)   NULL DEFAULT NULL,
  BsvDms  DECIMAL(7,2) NULL DEFAULT NULL,
  PRIMARY KEY (BsvPnr, BsvGvo),
  KEY Qvx310Bsv_Akr (BsvAkr, BsvGvo)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Home cost assignment of a person (cost centre, cost unit, cost type) from/until.
DROP TABLE IF EXISTS QVX311ZUO;
CREATE TABLE QVX311ZUO (
  ZuoPnr  VARCHAR(8)  NOT NULL,
  ZuoGvo  DATE        NOT NULL,
  ZuoGbi  DATE        NULL DEFAULT NULL,
  ZuoKst  VARCHAR(30) NOT NULL DEFAULT '',
  ZuoKtr  VARCHAR(6)  NOT NULL DEFAULT '',
  ZuoKrt  VARCHAR(4)  NOT NULL DEFAULT '',
  PRIMARY KEY (ZuoPnr, ZuoGvo)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Day codes and the account each code books to.
DROP TABLE IF EXISTS Qvx131Fcd;
CREATE TABLE Qvx131Fcd (
  FcdNum  VARCHAR(5) NOT NULL,
  FcdZkt  VARCHAR(5) NULL DEFAULT NULL,
  PRIMARY KEY (FcdNum),
  KEY Qvx131Fcd_Zkt (FcdZkt)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Special-leave models and their factor.
DROP TABLE IF EXISTS Qvx155Sfr;
CREATE TABLE Qvx155Sfr (
  SfrMod  VARCHAR(5) NOT NULL,
  SfrAnz  SMALLINT   NOT NULL DEFAULT 0,
  PRIMARY KEY (SfrMod)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Working-time models: target minutes per day, valid from/until.
DROP TABLE IF EXISTS Qvx140Azv;
CREATE TABLE Qvx140Azv (
  AzvNum  VARCHAR(5) NOT NULL,
  AzvGvo  DATE       NOT NULL,
  AzvGbi  DATE       NULL DEFAULT NULL,
  AzvSol  INT        NOT NULL DEFAULT 0,
  PRIMARY KEY (AzvNum, AzvGvo)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Working-time model of a person from a given day on.
DROP TABLE IF EXISTS Qvx329Ztg;
CREATE TABLE Qvx329Ztg (
  ZtgPnr  VARCHAR(8) NOT NULL,
  ZtgVon  DATE       NOT NULL,
  ZtgAzt  VARCHAR(5) NULL DEFAULT NULL,
  PRIMARY KEY (ZtgPnr, ZtgVon)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Bookings and balances
-- ---------------------------------------------------------------------------

-- Account bookings: one row per person, kind (1 day value, 3 period value), day, cost assignment and account; minutes.
DROP TABLE IF EXISTS Qvx331Zkb;
CREATE TABLE Qvx331Zkb (
  ZkbPnr  VARCHAR(8)  NOT NULL,
  ZkbZtr  SMALLINT    NOT NULL DEFAULT 1,
  ZkbDtm  DATE        NOT NULL,
  ZkbKst  VARCHAR(30) NOT NULL DEFAULT '',
  ZkbKtr  VARCHAR(6)  NOT NULL DEFAULT '',
  ZkbKrt  VARCHAR(4)  NOT NULL DEFAULT '',
  ZkbZkt  VARCHAR(5)  NOT NULL,
  ZkbStd  INT         NOT NULL DEFAULT 0,
  ZkbTge  INT         NOT NULL DEFAULT 0,
  ZkbStg  SMALLINT    NOT NULL DEFAULT 0,
  ZkbSta  SMALLINT    NOT NULL DEFAULT 0,
  ZkbDat  DATETIME    NULL DEFAULT NULL,
  KEY Qvx331Zkb_PnrZtrDtm (ZkbPnr, ZkbZtr, ZkbDtm),
  KEY Qvx331Zkb_PnrZktDtm (ZkbPnr, ZkbZkt, ZkbDtm)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Day records: target time, unpaid time, maximum and the three balances per person, day and kind (minutes).
DROP TABLE IF EXISTS Qvx320Tgb;
CREATE TABLE Qvx320Tgb (
  TgbPnr  VARCHAR(8) NOT NULL,
  TgbDtm  DATE       NOT NULL,
  TgbZtr  SMALLINT   NOT NULL DEFAULT 1,
  TgbSol  INT        NOT NULL DEFAULT 0,
  TgbUnb  INT        NOT NULL DEFAULT 0,
  TgbMax  INT        NOT NULL DEFAULT 0,
  TgbSa1  INT        NOT NULL DEFAULT 0,
  TgbVt1  INT        NOT NULL DEFAULT 0,
  TgbSa2  INT        NOT NULL DEFAULT 0,
  TgbVt2  INT        NOT NULL DEFAULT 0,
  TgbSa3  INT        NOT NULL DEFAULT 0,
  TgbVt3  INT        NOT NULL DEFAULT 0,
  PRIMARY KEY (TgbPnr, TgbDtm, TgbZtr),
  KEY Qvx320Tgb_PnrZtrDtm (TgbPnr, TgbZtr, TgbDtm)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Day codes of a person: whole-day code, half-day codes and presence marks.
DROP TABLE IF EXISTS Qvx327Tag;
CREATE TABLE Qvx327Tag (
  TagPnr  VARCHAR(8) NOT NULL,
  TagTag  DATE       NOT NULL,
  TagVon  DATE       NULL DEFAULT NULL,
  TagTgb  VARCHAR(5) NULL DEFAULT NULL,
  TagHtv  VARCHAR(5) NULL DEFAULT NULL,
  TagHtn  VARCHAR(5) NULL DEFAULT NULL,
  TagOne  SMALLINT   NOT NULL DEFAULT 0,
  TagKom  SMALLINT   NOT NULL DEFAULT 0,
  TagGeh  SMALLINT   NOT NULL DEFAULT 0,
  KEY Qvx327Tag_PnrTag (TagPnr, TagTag),
  KEY Qvx327Tag_PnrVon (TagPnr, TagVon)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Special-leave account per person and day.
DROP TABLE IF EXISTS Qvx332Sfz;
CREATE TABLE Qvx332Sfz (
  SfzPnr  VARCHAR(8) NOT NULL,
  SfzDtm  DATE       NOT NULL,
  SfzAnt  SMALLINT   NOT NULL DEFAULT 0,
  SfzGen  SMALLINT   NOT NULL DEFAULT 0,
  SfzGvv  SMALLINT   NOT NULL DEFAULT 0,
  PRIMARY KEY (SfzPnr, SfzDtm)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Leave balances per person and day: remaining days and days carried over (days, halves allowed).
DROP TABLE IF EXISTS QVX332UTG;
CREATE TABLE QVX332UTG (
  UtgPnr  VARCHAR(8)   NOT NULL,
  UtgDtm  DATE         NOT NULL,
  UtgRtg  DECIMAL(7,2) NOT NULL DEFAULT 0,
  UtgVtg  DECIMAL(7,2) NOT NULL DEFAULT 0,
  PRIMARY KEY (UtgPnr, UtgDtm)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Site values handed over as "LS" records (one client site only): per person and day a text and a value.
-- Read per person and period:
--   SELECT ZksTxt, ZksWrt FROM Qvx331Zks
--    WHERE ZksPnr = '<pnr>'
--      AND date_format(ZksDtm, '%Y.%m.%d') >= '<von>'
--      AND date_format(ZksDtm, '%Y.%m.%d') <= '<bis>'
--    ORDER BY ZksDtm, ZksTxt
DROP TABLE IF EXISTS Qvx331Zks;
CREATE TABLE Qvx331Zks (
  ZksPnr  VARCHAR(8)    NOT NULL,
  ZksDtm  DATE          NOT NULL,
  ZksTxt  VARCHAR(7)    NOT NULL,
  ZksWrt  DECIMAL(12,4) NOT NULL DEFAULT 0,
  PRIMARY KEY (ZksPnr, ZksDtm, ZksTxt)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Transfer tables written by the settlement
-- ---------------------------------------------------------------------------

-- Transfer records: one value (minutes or tenths of days) per person, wage type, cost assignment and date handed to payroll.
-- Zk1Ident is the accumulation key: a second insert with the same identifying
-- columns fails with 1062 and the writer adds to the stored row instead.
DROP TABLE IF EXISTS Qvx331Zk1;
CREATE TABLE Qvx331Zk1 (
  Zk1Abr  INT           NOT NULL,
  Zk1Lfn  SMALLINT      NOT NULL DEFAULT 0,
  Zk1Stz  VARCHAR(5)    NOT NULL,
  Zk1Bdt  DATE          NOT NULL,
  Zk1Pnr  VARCHAR(8)    NOT NULL,
  Zk1Zkt  VARCHAR(20)   NOT NULL DEFAULT '',
  Zk1Lna  VARCHAR(20)   NOT NULL,
  Zk1Lgr  VARCHAR(5)    NOT NULL DEFAULT '',
  Zk1Kst  VARCHAR(30)   NOT NULL DEFAULT '',
  Zk1Ktr  VARCHAR(6)    NOT NULL DEFAULT '',
  Zk1Krt  VARCHAR(4)    NOT NULL DEFAULT '',
  Zk1Std  INT           NOT NULL DEFAULT 0,
  Zk1Tge  INT           NOT NULL DEFAULT 0,
  Zk1Stg  INT           NOT NULL DEFAULT 0,
  Zk1Von  DATE          NOT NULL,
  Zk1Bis  DATE          NOT NULL,
  Zk1Sts  SMALLINT      NOT NULL DEFAULT 0,
  Zk1Rre  SMALLINT      NOT NULL DEFAULT 0,
  Zk1Sta  SMALLINT      NOT NULL DEFAULT 0,
  Zk1Dat  DATETIME      NULL DEFAULT NULL,
  Zk1Upn  VARCHAR(13)   NOT NULL DEFAULT '',
  Zk1Inf  SMALLINT      NOT NULL DEFAULT 0,
  Zk1Su1  DECIMAL(12,0) NOT NULL DEFAULT 0,
  Zk1Rrn  INT           NULL DEFAULT 0,
  UNIQUE KEY Zk1Ident (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna,
                       Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Von, Zk1Bis),
  KEY Qvx331Zk1_Pnr (Zk1Pnr, Zk1Abr),
  KEY Qvx331Zk1_Rre (Zk1Rre)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Statistics per person, accounting number and period start: calendar, target, attendance and absence figures.
-- A second insert with the same identity fails with 1062 and is added to the stored row.
DROP TABLE IF EXISTS Qvx331Zk2;
CREATE TABLE Qvx331Zk2 (
  Zk2Abr  INT           NOT NULL,
  Zk2Pnr  VARCHAR(8)    NOT NULL,
  Zk2Bdt  DATE          NOT NULL,
  Zk2Stt  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Svt  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Slt  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Ant  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Sln  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Uns  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Zes  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Bzt  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Unt  DECIMAL(10,2) NOT NULL DEFAULT 0,
  Zk2Rre  SMALLINT      NOT NULL DEFAULT 0,
  PRIMARY KEY (Zk2Abr, Zk2Pnr, Zk2Bdt, Zk2Rre)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Retro records of one run (keyed by the run's database time): values recomputed for earlier accounting numbers.
-- A second insert with the same identity fails with 1062; the writers then add to the stored row.
DROP TABLE IF EXISTS Qvx331Zk3;
CREATE TABLE Qvx331Zk3 (
  Zk3Key  VARCHAR(19) NOT NULL,
  Zk3Abr  INT         NOT NULL,
  Zk3Lfn  SMALLINT    NOT NULL DEFAULT 0,
  Zk3Stz  VARCHAR(5)  NOT NULL,
  Zk3Bdt  DATE        NOT NULL,
  Zk3Pnr  VARCHAR(8)  NOT NULL,
  Zk3Zkt  VARCHAR(20) NOT NULL DEFAULT '',
  Zk3Lna  VARCHAR(20) NOT NULL,
  Zk3Lgr  VARCHAR(5)  NOT NULL DEFAULT '',
  Zk3Kst  VARCHAR(30) NOT NULL DEFAULT '',
  Zk3Ktr  VARCHAR(6)  NOT NULL DEFAULT '',
  Zk3Krt  VARCHAR(4)  NOT NULL DEFAULT '',
  Zk3Std  INT         NOT NULL DEFAULT 0,
  Zk3Tge  INT         NOT NULL DEFAULT 0,
  Zk3Stg  INT         NOT NULL DEFAULT 0,
  Zk3Von  DATE        NULL DEFAULT NULL,
  Zk3Bis  DATE        NULL DEFAULT NULL,
  Zk3Sts  SMALLINT    NOT NULL DEFAULT 0,
  Zk3Upn  VARCHAR(13) NOT NULL DEFAULT '',
  Zk3Inf  SMALLINT    NOT NULL DEFAULT 0,
  UNIQUE KEY Zk3Ident (Zk3Key, Zk3Abr, Zk3Lfn, Zk3Stz, Zk3Bdt, Zk3Pnr, Zk3Zkt,
                       Zk3Lna, Zk3Lgr, Zk3Kst, Zk3Ktr)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Difference memo records: insert/delete records of corrections (LOGA2, LODAS) and the PAISY period memos.
-- No unique key: memo inserts have no duplicate handling, and PAISY memos leave
-- several columns unset, so the table takes every row it is given.
DROP TABLE IF EXISTS Qvx331Zk5;
CREATE TABLE Qvx331Zk5 (
  Zk5Key  VARCHAR(19)   NOT NULL,
  Zk5Abr  INT           NOT NULL,
  Zk5Lfn  SMALLINT      NOT NULL DEFAULT 0,
  Zk5Stz  VARCHAR(5)    NOT NULL DEFAULT '',
  Zk5Bdt  DATE          NULL DEFAULT NULL,
  Zk5Pnr  VARCHAR(8)    NOT NULL DEFAULT '',
  Zk5Zkt  VARCHAR(20)   NOT NULL DEFAULT '',
  Zk5Lna  VARCHAR(20)   NOT NULL DEFAULT '',
  Zk5Lgr  VARCHAR(5)    NOT NULL DEFAULT '',
  Zk5Kst  VARCHAR(30)   NOT NULL DEFAULT '',
  Zk5Ktr  VARCHAR(10)   NOT NULL DEFAULT '',
  Zk5Krt  VARCHAR(4)    NOT NULL DEFAULT '',
  Zk5Std  INT           NOT NULL DEFAULT 0,
  Zk5Tge  INT           NOT NULL DEFAULT 0,
  Zk5Stg  INT           NOT NULL DEFAULT 0,
  Zk5Von  DATE          NULL DEFAULT NULL,
  Zk5Bis  DATE          NULL DEFAULT NULL,
  Zk5Sts  SMALLINT      NOT NULL DEFAULT 0,
  Zk5Rre  SMALLINT      NOT NULL DEFAULT 0,
  Zk5Sta  SMALLINT      NOT NULL DEFAULT 0,
  Zk5Upn  VARCHAR(13)   NOT NULL DEFAULT '',
  Zk5Inf  SMALLINT      NOT NULL DEFAULT 0,
  Zk5Su1  DECIMAL(12,0) NOT NULL DEFAULT 0,
  KEY Qvx331Zk5_KeyAbr (Zk5Key, Zk5Abr),
  KEY Qvx331Zk5_AbrLfnRre (Zk5Abr, Zk5Lfn, Zk5Rre),
  KEY Qvx331Zk5_P3 (Zk5Pnr, Zk5Lna, Zk5Stz)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Staging tables of the ProAL, SBS, Baumann and GOD exporters
-- ---------------------------------------------------------------------------

-- ProAL: hours per personnel number, day, wage type and cost centre.
DROP TABLE IF EXISTS Qvx333Pro;
CREATE TABLE Qvx333Pro (
  ProLer  VARCHAR(2)    NULL DEFAULT NULL,
  ProFir  VARCHAR(10)   NULL DEFAULT NULL,
  ProKnz  VARCHAR(1)    NULL DEFAULT NULL,
  ProPnr  VARCHAR(6)    NOT NULL,
  ProTag  INT           NOT NULL,
  ProMon  INT           NOT NULL,
  ProJhr  INT           NOT NULL,
  ProLna  VARCHAR(3)    NOT NULL,
  ProZet  DOUBLE        NULL DEFAULT NULL,
  ProMge  DOUBLE        NULL DEFAULT NULL,
  ProStz  DOUBLE        NULL DEFAULT NULL,
  ProMgs  DOUBLE        NULL DEFAULT NULL,
  ProPrz  DOUBLE        NULL DEFAULT NULL,
  ProBtr  DOUBLE        NULL DEFAULT NULL,
  ProKst  INT           NOT NULL,
  ProKtr  VARCHAR(20)   NULL DEFAULT NULL,
  ProBes  VARCHAR(60)   NULL DEFAULT NULL,
  UNIQUE KEY Qvx333Pro_Key (ProPnr, ProTag, ProMon, ProJhr, ProLna, ProKst)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- SBS: one movement record per transfer record (no accumulation).
DROP TABLE IF EXISTS Qvx333Sbs;
CREATE TABLE Qvx333Sbs (
  SbsJhr  VARCHAR(2)    NULL DEFAULT NULL,
  SbsMon  VARCHAR(2)    NULL DEFAULT NULL,
  SbsTag  VARCHAR(2)    NULL DEFAULT NULL,
  SbsPnr  VARCHAR(6)    NULL DEFAULT NULL,
  SbsLna  VARCHAR(3)    NULL DEFAULT NULL,
  SbsVzn  VARCHAR(1)    NULL DEFAULT NULL,
  SbsStd  DOUBLE        NULL DEFAULT NULL,
  SbsFkb  DOUBLE        NULL DEFAULT NULL,
  SbsFkc  DOUBLE        NULL DEFAULT NULL,
  SbsFkd  DOUBLE        NULL DEFAULT NULL,
  SbsFke  DOUBLE        NULL DEFAULT NULL,
  SbsKst  VARCHAR(12)   NULL DEFAULT NULL,
  SbsKtr  VARCHAR(12)   NULL DEFAULT NULL,
  SbsBab  VARCHAR(3)    NULL DEFAULT NULL,
  SbsF01  VARCHAR(1)    NULL DEFAULT NULL,
  SbsAda  VARCHAR(2)    NULL DEFAULT NULL,
  SbsWkz  VARCHAR(1)    NULL DEFAULT NULL,
  SbsF63  VARCHAR(63)   NULL DEFAULT NULL,
  KEY Qvx333Sbs_Pnr (SbsPnr)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Baumann: hours per record kind, personnel number, month and wage type; an
-- accumulated row keeps the cost centre of its first record.
DROP TABLE IF EXISTS Qvx333Bmn;
CREATE TABLE Qvx333Bmn (
  BmnStz  VARCHAR(2)    NOT NULL,
  BmnFir  VARCHAR(5)    NULL DEFAULT NULL,
  BmnFl1  VARCHAR(3)    NULL DEFAULT NULL,
  BmnPnr  VARCHAR(4)    NOT NULL,
  BmnKst  VARCHAR(6)    NULL DEFAULT NULL,
  BmnDat  VARCHAR(2)    NULL DEFAULT NULL,
  BmnAbm  VARCHAR(2)    NOT NULL,
  BmnLna  VARCHAR(3)    NOT NULL,
  BmnStd  DOUBLE        NULL DEFAULT NULL,
  BmnKnz  VARCHAR(1)    NULL DEFAULT NULL,
  BmnZf1  DOUBLE        NULL DEFAULT NULL,
  BmnZf2  DOUBLE        NULL DEFAULT NULL,
  BmnFl2  VARCHAR(2)    NULL DEFAULT NULL,
  BmnAnf  VARCHAR(11)   NULL DEFAULT NULL,
  BmnPsn  VARCHAR(5)    NULL DEFAULT NULL,
  BmnFkt  DOUBLE        NULL DEFAULT NULL,
  BmnZus  DOUBLE        NULL DEFAULT NULL,
  UNIQUE KEY Qvx333Bmn_Key (BmnStz, BmnPnr, BmnAbm, BmnLna)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- GOD: hour records (970) and absence periods (331); a record with the same
-- key adds its hours and replaces the to-date.
DROP TABLE IF EXISTS Qvx333God;
CREATE TABLE Qvx333God (
  GodArt  VARCHAR(3)    NOT NULL,
  GodTnr  VARCHAR(4)    NULL DEFAULT NULL,
  GodPnr  VARCHAR(8)    NOT NULL,
  GodLna  VARCHAR(4)    NOT NULL,
  GodDvo  VARCHAR(4)    NOT NULL,
  GodDbi  VARCHAR(4)    NOT NULL,
  GodStd  DOUBLE        NULL DEFAULT NULL,
  GodEin  VARCHAR(8)    NULL DEFAULT NULL,
  GodKst  VARCHAR(6)    NULL DEFAULT NULL,
  GodEar  VARCHAR(2)    NULL DEFAULT NULL,
  GodFvo  VARCHAR(6)    NOT NULL,
  GodFbi  VARCHAR(6)    NULL DEFAULT NULL,
  GodFgr  VARCHAR(2)    NULL DEFAULT NULL,
  GodNam  VARCHAR(50)   NULL DEFAULT NULL,
  UNIQUE KEY Qvx333God_Key (GodArt, GodPnr, GodLna, GodDvo, GodDbi, GodFvo)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;
