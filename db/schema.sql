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

-- LODAS staging: values per person, date, kind (hours/days), wage type, cost
-- centre, cost unit and retro mark (0 settled, 3 to book, 4 to remove). A
-- second insert with the same key fails with 1062 and is added to the row.
DROP TABLE IF EXISTS Qvx333Ld1;
CREATE TABLE Qvx333Ld1 (
  Ld1Art  VARCHAR(2)    NOT NULL,
  Ld1Pnr  VARCHAR(5)    NOT NULL,
  Ld1Azr  DATE          NOT NULL,
  Ld1Key  VARCHAR(2)    NOT NULL,
  Ld1Val  DOUBLE        NOT NULL DEFAULT 0,
  Ld1Lna  VARCHAR(3)    NOT NULL,
  Ld1Kst  VARCHAR(8)    NOT NULL DEFAULT '',
  Ld1Ktr  VARCHAR(8)    NOT NULL DEFAULT '',
  Ld1Rre  SMALLINT      NOT NULL DEFAULT 0,
  Ld1Exa  BIGINT        NOT NULL DEFAULT 0,
  UNIQUE KEY Ld1Ident (Ld1Art, Ld1Pnr, Ld1Azr, Ld1Key, Ld1Lna, Ld1Kst, Ld1Ktr, Ld1Rre)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- LOGA2001: values of one run summed per firm, circle, person, wage type,
-- cost centre, date and kind (0 value, 3 insert, 4 delete); emptied by every
-- run. The columns are written in this order.
DROP TABLE IF EXISTS Qvx333Lp2;
CREATE TABLE Qvx333Lp2 (
  Lp2Fir  VARCHAR(10)   NOT NULL,
  Lp2Akr  VARCHAR(10)   NOT NULL,
  Lp2Pnr  VARCHAR(13)   NOT NULL,
  Lp2Lna  VARCHAR(20)   NOT NULL,
  Lp2Kst  VARCHAR(30)   NOT NULL,
  Lp2Dat  DATE          NOT NULL,
  Lp2Pst  DOUBLE        NOT NULL DEFAULT 0,
  Lp2Std  DOUBLE        NOT NULL DEFAULT 0,
  Lp2Btr  DOUBLE        NULL DEFAULT 0,
  Lp2Anz  DOUBLE        NULL DEFAULT 0,
  Lp2Rre  SMALLINT      NOT NULL DEFAULT 0,
  Lp2Zhn  BIGINT        NOT NULL DEFAULT 0,
  Lp2Min  BIGINT        NOT NULL DEFAULT 0,
  UNIQUE KEY Lp2Ident (Lp2Fir, Lp2Akr, Lp2Pnr, Lp2Lna, Lp2Kst, Lp2Dat, Lp2Rre)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- LOGA2001: finished [VARTAB] lines (Lpc) and [ZEITENKAL] lines (Lp1) in the
-- order of their running index; kept until a run clears the interface.
DROP TABLE IF EXISTS Qvx333Lpc;
CREATE TABLE Qvx333Lpc (
  LpcFld  VARCHAR(400)  NOT NULL,
  LpcIdx  INT           NOT NULL,
  KEY Qvx333Lpc_Idx (LpcIdx)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

DROP TABLE IF EXISTS Qvx333Lp1;
CREATE TABLE Qvx333Lp1 (
  Lp1Fld  VARCHAR(400)  NOT NULL,
  Lp1Idx  INT           NOT NULL,
  KEY Qvx333Lp1_Idx (Lp1Idx)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Staging tables of the sage, Raet, XXL-Exact and EMIS exporters
-- ---------------------------------------------------------------------------

-- sage: values per month, personnel number, wage type, cost centre and cost
-- unit. The file pass reads it with SELECT *, so the column order is fixed.
-- The widths are those of the file fields; SagSkt is never filled.
DROP TABLE IF EXISTS Qvx333Sag;
CREATE TABLE Qvx333Sag (
  SagMon  VARCHAR(2)  NOT NULL,
  SagPnr  VARCHAR(6)  NOT NULL,
  SagLna  VARCHAR(3)  NOT NULL,
  SagStd  DOUBLE      NOT NULL DEFAULT 0,
  SagBtr  DOUBLE      NOT NULL DEFAULT 0,
  SagKst  VARCHAR(5)  NOT NULL DEFAULT '',
  SagSkt  VARCHAR(5)  NULL DEFAULT NULL,
  SagKtr  VARCHAR(5)  NOT NULL DEFAULT '',
  SagExa  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333Sag_Key (SagMon, SagPnr, SagLna, SagKst, SagKtr)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Raet: values per personnel number, shifted settlement date and wage type.
DROP TABLE IF EXISTS Qvx333Rat;
CREATE TABLE Qvx333Rat (
  RatArt  VARCHAR(1)  NULL DEFAULT NULL,
  RatPnr  VARCHAR(15) NOT NULL,
  RatVid  VARCHAR(15) NULL DEFAULT NULL,
  RatLna  VARCHAR(20) NOT NULL,
  RatAbd  VARCHAR(8)  NOT NULL DEFAULT '',
  RatUeb  VARCHAR(1)  NULL DEFAULT NULL,
  RatVal  DOUBLE      NOT NULL DEFAULT 0,
  RatExa  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333Rat_Key (RatPnr, RatAbd, RatLna)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- XXL-Exact: signed amounts (sign in XxlVo1, amount as text) per person,
-- accounting month, booking date, wage type, record code and cost assignment.
DROP TABLE IF EXISTS Qvx333Xxl;
CREATE TABLE Qvx333Xxl (
  XxlPnr  VARCHAR(6)  NOT NULL,
  XxlErd  VARCHAR(8)  NOT NULL,
  XxlAbd  VARCHAR(8)  NOT NULL,
  XxlLna  VARCHAR(3)  NOT NULL,
  XxlKnz  VARCHAR(2)  NOT NULL,
  XxlVo1  VARCHAR(1)  NULL DEFAULT NULL,
  XxlEin  VARCHAR(12) NULL DEFAULT NULL,
  XxlStd  VARCHAR(11) NULL DEFAULT NULL,
  XxlBtr  VARCHAR(11) NULL DEFAULT NULL,
  XxlKst  VARCHAR(8)  NOT NULL DEFAULT '',
  XxlKtr  VARCHAR(1)  NOT NULL DEFAULT '',
  XxlMin  BIGINT      NOT NULL DEFAULT 0,
  XxlZhn  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333Xxl_Key (XxlPnr, XxlErd, XxlAbd, XxlLna, XxlKnz, XxlKst, XxlKtr)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- EMIS: the hand-over itself; hours, minutes and tenths of days per
-- personnel number, month (MMYYYY) and wage type.
DROP TABLE IF EXISTS Qvx333Ems;
CREATE TABLE Qvx333Ems (
  EmsAkr  VARCHAR(10) NULL DEFAULT NULL,
  EmsPnr  VARCHAR(8)  NOT NULL,
  EmsDat  VARCHAR(6)  NOT NULL,
  EmsLna  VARCHAR(20) NOT NULL,
  EmsStd  DOUBLE      NOT NULL DEFAULT 0,
  EmsMin  INT         NOT NULL DEFAULT 0,
  EmsTge  INT         NOT NULL DEFAULT 0,
  EmsKnz  VARCHAR(1)  NULL DEFAULT NULL,
  UNIQUE KEY Qvx333Ems_Key (EmsPnr, EmsDat, EmsLna)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Loga400: the staging tables are the hand-over; the payroll side reads them.
-- ---------------------------------------------------------------------------

-- One "B1" row of day and hour totals per firm and person.
DROP TABLE IF EXISTS Qvx333B01;
CREATE TABLE Qvx333B01 (
  B01Art  VARCHAR(2)  NOT NULL,
  B01Fir  VARCHAR(2)  NOT NULL,
  B01Pnr  VARCHAR(7)  NOT NULL,
  B01Fln  INT         NULL DEFAULT NULL,
  B01Bdt  INT         NULL DEFAULT NULL,
  B01Ltt  INT         NULL DEFAULT NULL,
  B01Arb  INT         NULL DEFAULT NULL,
  B01Sol  DOUBLE      NULL DEFAULT NULL,
  B01Stg  VARCHAR(11) NULL DEFAULT NULL,
  B01Anw  DOUBLE      NULL DEFAULT NULL,
  B01Url  DOUBLE      NULL DEFAULT NULL,
  B01Krk  DOUBLE      NULL DEFAULT NULL,
  B01Ftg  DOUBLE      NULL DEFAULT NULL,
  B01Soz  DOUBLE      NULL DEFAULT NULL,
  B01Ent  DOUBLE      NULL DEFAULT NULL,
  B01Unt  DOUBLE      NULL DEFAULT NULL,
  B01Urs  DOUBLE      NULL DEFAULT NULL,
  B01Krs  DOUBLE      NULL DEFAULT NULL,
  B01Fts  DOUBLE      NULL DEFAULT NULL,
  B01Sos  DOUBLE      NULL DEFAULT NULL,
  B01Ens  DOUBLE      NULL DEFAULT NULL,
  B01Uns  DOUBLE      NULL DEFAULT NULL,
  B01Sez  DOUBLE      NULL DEFAULT NULL,
  B01Std  DOUBLE      NULL DEFAULT NULL,
  B01Aun  INT         NULL DEFAULT NULL,
  -- exact sums beside the values that add up: minutes of the hours, tenths of
  -- the days; the staged values are set from them
  B01SolMin BIGINT   NOT NULL DEFAULT 0,
  B01UrlZhn BIGINT   NOT NULL DEFAULT 0,
  B01KrkZhn BIGINT   NOT NULL DEFAULT 0,
  B01FtgZhn BIGINT   NOT NULL DEFAULT 0,
  B01SozZhn BIGINT   NOT NULL DEFAULT 0,
  B01EntZhn BIGINT   NOT NULL DEFAULT 0,
  B01UntZhn BIGINT   NOT NULL DEFAULT 0,
  B01UrsMin BIGINT   NOT NULL DEFAULT 0,
  B01KrsMin BIGINT   NOT NULL DEFAULT 0,
  B01FtsMin BIGINT   NOT NULL DEFAULT 0,
  B01EnsMin BIGINT   NOT NULL DEFAULT 0,
  B01UnsMin BIGINT   NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333B01_Key (B01Art, B01Fir, B01Pnr)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Numbered "B6" wage lines per firm and person.
DROP TABLE IF EXISTS Qvx333B06;
CREATE TABLE Qvx333B06 (
  B06Art  VARCHAR(2)  NOT NULL,
  B06Fir  VARCHAR(2)  NOT NULL,
  B06Pnr  VARCHAR(7)  NOT NULL,
  B06Bln  VARCHAR(11) NOT NULL,
  B06Bdt  INT         NULL DEFAULT NULL,
  B06Ltt  INT         NULL DEFAULT NULL,
  B06Aks  VARCHAR(30) NULL DEFAULT NULL,
  B06Bks  VARCHAR(30) NULL DEFAULT NULL,
  B06Lna  VARCHAR(3)  NULL DEFAULT NULL,
  B06Lbt  DOUBLE      NULL DEFAULT NULL,
  B06Bzt  DOUBLE      NULL DEFAULT NULL,
  UNIQUE KEY Qvx333B06_Key (B06Art, B06Fir, B06Pnr, B06Bln)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Asring: the staging tables are the hand-over; the payroll side reads them.
-- ---------------------------------------------------------------------------

-- Wage values (records of kind LS), accumulated per identity.
DROP TABLE IF EXISTS Qvx333Asr;
CREATE TABLE Qvx333Asr (
  AsrFir  VARCHAR(3)  NOT NULL,
  AsrPnr  VARCHAR(13) NOT NULL,
  AsrJhr  SMALLINT    NOT NULL,
  AsrMon  SMALLINT    NOT NULL,
  AsrLna  VARCHAR(20) NOT NULL,
  AsrStd  DOUBLE      NULL DEFAULT NULL,
  AsrTag  INT         NULL DEFAULT NULL,
  AsrKst  VARCHAR(30) NOT NULL,
  AsrAbr  INT         NULL DEFAULT NULL,
  AsrLkz  VARCHAR(1)  NOT NULL,
  AsrUhr  VARCHAR(8)  NULL DEFAULT NULL,
  AsrVfj  SMALLINT    NOT NULL,
  AsrVfm  SMALLINT    NOT NULL,
  AsrMin  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333Asr_Key (AsrFir, AsrPnr, AsrKst, AsrLna, AsrJhr, AsrMon, AsrLkz, AsrVfj, AsrVfm)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Absence periods (records of kind SS); a period is written once.
DROP TABLE IF EXISTS Qvx333Ask;
CREATE TABLE Qvx333Ask (
  AskFir  VARCHAR(3)  NOT NULL,
  AskPnr  VARCHAR(13) NOT NULL,
  AskJhr  SMALLINT    NOT NULL,
  AskMon  SMALLINT    NOT NULL,
  AskEnr  INT         NULL DEFAULT NULL,
  AskArt  VARCHAR(1)  NOT NULL,
  AskVon  VARCHAR(10) NOT NULL,
  AskBis  VARCHAR(10) NOT NULL,
  AskEin  VARCHAR(1)  NULL DEFAULT NULL,
  AskMge  DOUBLE      NULL DEFAULT NULL,
  AskLkz  VARCHAR(1)  NOT NULL,
  AskUhr  VARCHAR(8)  NULL DEFAULT NULL,
  KEY Qvx333Ask_Period (AskFir, AskPnr, AskJhr, AskMon, AskArt, AskLkz, AskVon, AskBis)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Schleupen: sums per personnel number and wage type, written to LOXF-0001.csv.
-- ---------------------------------------------------------------------------

-- The text columns are the fields of the file; SliMin (minutes) and SliZhn
-- (tenths of a day) keep the exact sums from which they are formatted.
DROP TABLE IF EXISTS Qvx333Sli;
CREATE TABLE Qvx333Sli (
  SliKon  VARCHAR(4)  NOT NULL,
  SliPnr  VARCHAR(5)  NOT NULL,
  SliFnr  VARCHAR(2)  NOT NULL,
  SliLna  VARCHAR(3)  NOT NULL,
  SliVzb  VARCHAR(1)  NOT NULL,
  SliBtg  VARCHAR(8)  NOT NULL,
  SliKst  VARCHAR(5)  NOT NULL,
  SliPrd  VARCHAR(1)  NOT NULL,
  SliAmt  VARCHAR(6)  NOT NULL,
  SliEmt  VARCHAR(6)  NOT NULL,
  SliVzs  VARCHAR(1)  NOT NULL,
  SliStd  VARCHAR(5)  NOT NULL,
  SliVzt  VARCHAR(1)  NOT NULL,
  SliTge  VARCHAR(4)  NOT NULL,
  SliVzp  VARCHAR(1)  NOT NULL,
  SliPrz  VARCHAR(5)  NOT NULL,
  SliTxt  VARCHAR(1)  NOT NULL,
  SliMin  INT         NOT NULL DEFAULT 0,
  SliZhn  INT         NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333Sli_Key (SliPnr, SliLna)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Staging tables of the PAISY and PAISY(Br) exports
-- ---------------------------------------------------------------------------
-- A second row with the same key fails with 1062 and the exporter adds to the
-- stored row. Columns the program never writes are NULL and come out as blanks
-- (or zeros) of their width. A wage line without day stores day 0.

-- PAISY P1: wage lines with hours and amounts.
DROP TABLE IF EXISTS Qvx333Ps1;
CREATE TABLE Qvx333Ps1 (
  Ps1Stz  VARCHAR(2)  NOT NULL,
  Ps1Frm  VARCHAR(2)  NOT NULL,
  Ps1F02  VARCHAR(2)  NULL DEFAULT NULL,
  Ps1Prs  VARCHAR(6)  NOT NULL,
  Ps1F04  VARCHAR(4)  NULL DEFAULT NULL,
  Ps1Abt  SMALLINT    NOT NULL DEFAULT 0,
  Ps1Abd  INT         NOT NULL,
  Ps1Abn  SMALLINT    NOT NULL,
  Ps1Dne  VARCHAR(1)  NULL DEFAULT NULL,
  Ps1Lhn  INT         NOT NULL,
  Ps1Ztd  DOUBLE      NULL DEFAULT NULL,
  Ps1Lhg  VARCHAR(5)  NOT NULL,
  Ps1Btr  DOUBLE      NULL DEFAULT NULL,
  Ps1F05  VARCHAR(5)  NULL DEFAULT NULL,
  Ps1Kst  VARCHAR(6)  NOT NULL,
  Ps1F25  VARCHAR(25) NULL DEFAULT NULL,
  Ps1Zex  BIGINT      NOT NULL DEFAULT 0,
  Ps1Bex  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Ps1Key (Ps1Stz, Ps1Frm, Ps1Prs, Ps1Abt, Ps1Abd, Ps1Abn, Ps1Lhn, Ps1Lhg, Ps1Kst)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- PAISY P3: absence periods (start and end as DDMMYY; an open end is NULL).
DROP TABLE IF EXISTS Qvx333Ps3;
CREATE TABLE Qvx333Ps3 (
  Ps3Stz  VARCHAR(2)  NOT NULL,
  Ps3Frm  VARCHAR(2)  NOT NULL,
  Ps3F02  VARCHAR(2)  NULL DEFAULT NULL,
  Ps3Prs  VARCHAR(6)  NOT NULL,
  Ps3F04  VARCHAR(4)  NULL DEFAULT NULL,
  Ps3Bdt  VARCHAR(6)  NOT NULL,
  Ps3Abn  VARCHAR(1)  NOT NULL,
  Ps3F01  VARCHAR(1)  NULL DEFAULT NULL,
  Ps3Lna  VARCHAR(3)  NOT NULL,
  Ps3Zet  VARCHAR(5)  NOT NULL,
  Ps3F05  VARCHAR(5)  NULL DEFAULT NULL,
  Ps3Edt  VARCHAR(6)  NULL DEFAULT NULL,
  Ps3Res  VARCHAR(37) NULL DEFAULT NULL,
  UNIQUE KEY Ps3Key (Ps3Stz, Ps3Frm, Ps3Prs, Ps3Bdt, Ps3Abn, Ps3Lna, Ps3Zet)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- PAISY P4: day counts per person, month and retro marker.
DROP TABLE IF EXISTS Qvx333Ps4;
CREATE TABLE Qvx333Ps4 (
  Ps4Stz  VARCHAR(2)  NOT NULL,
  Ps4Frm  VARCHAR(2)  NOT NULL,
  Ps4F02  VARCHAR(2)  NULL DEFAULT NULL,
  Ps4Prs  VARCHAR(6)  NOT NULL,
  Ps4F06  VARCHAR(6)  NULL DEFAULT NULL,
  Ps4Abd  INT         NOT NULL,
  Ps4Abn  SMALLINT    NOT NULL,
  Ps4Dne  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F37  SMALLINT    NULL DEFAULT NULL,
  Ps4Bta  DOUBLE      NULL DEFAULT NULL,
  Ps4St1  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F33  SMALLINT    NULL DEFAULT NULL,
  Ps4Bas  DOUBLE      NULL DEFAULT NULL,
  Ps4St2  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F12  SMALLINT    NULL DEFAULT NULL,
  Ps4Sta  VARCHAR(10) NULL DEFAULT NULL,
  Ps4St3  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F13  SMALLINT    NULL DEFAULT NULL,
  Ps4Sva  VARCHAR(10) NULL DEFAULT NULL,
  Ps4St4  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F14  SMALLINT    NULL DEFAULT NULL,
  Ps4Ana  DOUBLE      NULL DEFAULT NULL,
  Ps4St5  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F15  SMALLINT    NULL DEFAULT NULL,
  Ps4Kra  DOUBLE      NULL DEFAULT NULL,
  Ps4St6  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F22  SMALLINT    NULL DEFAULT NULL,
  Ps4Arn  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4St7  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F80  VARCHAR(14) NULL DEFAULT NULL,
  UNIQUE KEY Ps4Key (Ps4Stz, Ps4Frm, Ps4Prs, Ps4Abd, Ps4Abn)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- PAISY(Br) P1b: wage lines with hours.
DROP TABLE IF EXISTS Qvx333Ps1B;
CREATE TABLE Qvx333Ps1B (
  Ps1Stz  VARCHAR(2)  NOT NULL,
  Ps1Frm  VARCHAR(2)  NOT NULL,
  Ps1F02  VARCHAR(2)  NULL DEFAULT NULL,
  Ps1Prs  VARCHAR(6)  NOT NULL,
  Ps1F04  VARCHAR(4)  NULL DEFAULT NULL,
  Ps1Abt  SMALLINT    NOT NULL DEFAULT 0,
  Ps1Abd  INT         NOT NULL,
  Ps1Abn  SMALLINT    NOT NULL,
  Ps1Dne  VARCHAR(1)  NULL DEFAULT NULL,
  Ps1F10  VARCHAR(2)  NULL DEFAULT NULL,
  Ps1Lhn  INT         NOT NULL,
  Ps1St1  VARCHAR(1)  NULL DEFAULT NULL,
  Ps1F11  VARCHAR(2)  NULL DEFAULT NULL,
  Ps1Ztd  DOUBLE      NULL DEFAULT NULL,
  Ps1St2  VARCHAR(1)  NULL DEFAULT NULL,
  Ps1F13  VARCHAR(2)  NULL DEFAULT NULL,
  Ps1Lhg  VARCHAR(4)  NOT NULL,
  Ps1St3  VARCHAR(1)  NULL DEFAULT NULL,
  Ps1F14  VARCHAR(6)  NULL DEFAULT NULL,
  Ps1Kst  VARCHAR(5)  NOT NULL,
  Ps1F25  VARCHAR(25) NULL DEFAULT NULL,
  Ps1Zex  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Ps1BKey (Ps1Stz, Ps1Frm, Ps1Prs, Ps1Abt, Ps1Abd, Ps1Abn, Ps1Lhn, Ps1Lhg, Ps1Kst)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- PAISY(Br) P3b: only emptied, never written.
DROP TABLE IF EXISTS Qvx333Ps3B;
CREATE TABLE Qvx333Ps3B LIKE Qvx333Ps3;

-- PAISY(Br) P4b: day counts and monthly hours per person and month (days and hours as numbers).
DROP TABLE IF EXISTS Qvx333Ps4B;
CREATE TABLE Qvx333Ps4B (
  Ps4Stz  VARCHAR(2)  NOT NULL,
  Ps4Frm  VARCHAR(2)  NOT NULL,
  Ps4F02  VARCHAR(2)  NULL DEFAULT NULL,
  Ps4Prs  VARCHAR(6)  NOT NULL,
  Ps4F06  VARCHAR(6)  NULL DEFAULT NULL,
  Ps4Abd  INT         NOT NULL,
  Ps4Abn  SMALLINT    NOT NULL,
  Ps4Dne  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F37  SMALLINT    NULL DEFAULT NULL,
  Ps4Bta  DOUBLE      NULL DEFAULT NULL,
  Ps4St1  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F33  SMALLINT    NULL DEFAULT NULL,
  Ps4Bas  DOUBLE      NULL DEFAULT NULL,
  Ps4St2  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F12  SMALLINT    NULL DEFAULT NULL,
  Ps4Sta  DOUBLE      NULL DEFAULT NULL,
  Ps4St3  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F13  SMALLINT    NULL DEFAULT NULL,
  Ps4Sva  DOUBLE      NULL DEFAULT NULL,
  Ps4St4  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F14  SMALLINT    NULL DEFAULT NULL,
  Ps4Ana  DOUBLE      NULL DEFAULT NULL,
  Ps4St5  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F15  SMALLINT    NULL DEFAULT NULL,
  Ps4Kra  DOUBLE      NULL DEFAULT NULL,
  Ps4St6  VARCHAR(1)  NULL DEFAULT NULL,
  Ps4F19  VARCHAR(19) NULL DEFAULT NULL,
  UNIQUE KEY Ps4BKey (Ps4Stz, Ps4Frm, Ps4Prs, Ps4Abd, Ps4Abn)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- ---------------------------------------------------------------------------
-- Staging tables of the SAP, TOPAS and Perman exports
-- ---------------------------------------------------------------------------

-- SAP infotype 2010: hours per firm, person, wage type and day; a second
-- write of the same key adds its hours.
DROP TABLE IF EXISTS Qvx333S10;
CREATE TABLE Qvx333S10 (
  S10Art  VARCHAR(4)  NULL DEFAULT NULL,
  S10Mnd  VARCHAR(3)  NOT NULL,
  S10Pnr  VARCHAR(8)  NOT NULL,
  S10Nam  VARCHAR(30) NULL DEFAULT NULL,
  S10Lna  VARCHAR(4)  NOT NULL,
  S10Von  VARCHAR(10) NOT NULL,
  S10Std  DOUBLE      NULL DEFAULT NULL,
  S10Btr  VARCHAR(13) NULL DEFAULT NULL,
  S10Hnd  VARCHAR(1)  NULL DEFAULT NULL,
  S10Fil  VARCHAR(14) NULL DEFAULT NULL,
  S10Exa  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333S10_Key (S10Mnd, S10Pnr, S10Lna, S10Von)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- SAP infotype 2001: absences per firm, person, wage type and start; a second
-- write of the same key replaces the end date.
DROP TABLE IF EXISTS Qvx333S01;
CREATE TABLE Qvx333S01 (
  S01Art  VARCHAR(4)  NULL DEFAULT NULL,
  S01Mnd  VARCHAR(3)  NOT NULL,
  S01Pnr  VARCHAR(8)  NOT NULL,
  S01Nam  VARCHAR(30) NULL DEFAULT NULL,
  S01Lna  VARCHAR(4)  NOT NULL,
  S01Von  VARCHAR(10) NOT NULL,
  S01Bis  VARCHAR(10) NULL DEFAULT NULL,
  S01Uzv  VARCHAR(5)  NULL DEFAULT NULL,
  S01Uzb  VARCHAR(5)  NULL DEFAULT NULL,
  S01Hnd  VARCHAR(1)  NULL DEFAULT NULL,
  S01Fil  VARCHAR(14) NULL DEFAULT NULL,
  UNIQUE KEY Qvx333S01_Key (S01Mnd, S01Pnr, S01Lna, S01Von)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- TOPAS wage values (record type LS): firm, payroll personnel number, month
-- key twice, wage type, hours, days, minutes, cost centre, cost unit, booking
-- date. A second write of the same key adds hours, days and minutes.
DROP TABLE IF EXISTS Qvx333Tp1;
CREATE TABLE Qvx333Tp1 (
  Tp1Fir  VARCHAR(3)  NOT NULL,
  Tp1Upn  VARCHAR(13) NOT NULL,
  Tp1Mo1  VARCHAR(6)  NOT NULL,
  Tp1Mo2  VARCHAR(6)  NOT NULL,
  Tp1Lna  VARCHAR(3)  NOT NULL,
  Tp1Std  DOUBLE      NULL DEFAULT NULL,
  Tp1Tge  DOUBLE      NULL DEFAULT NULL,
  Tp1Min  DOUBLE      NULL DEFAULT NULL,
  Tp1Kst  VARCHAR(10) NOT NULL,
  Tp1Ktr  VARCHAR(6)  NOT NULL,
  Tp1Bdt  DATE        NOT NULL,
  Tp1Sex  BIGINT      NOT NULL DEFAULT 0,
  Tp1Tex  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333Tp1_Key (Tp1Fir, Tp1Upn, Tp1Mo1, Tp1Mo2, Tp1Lna, Tp1Kst, Tp1Ktr, Tp1Bdt)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- TOPAS periods (record type SS): firm, payroll personnel number, period,
-- wage-type group, wage type, days, hours. A second write of the same key
-- adds days and hours.
DROP TABLE IF EXISTS Qvx333Tp2;
CREATE TABLE Qvx333Tp2 (
  Tp2Fir  VARCHAR(3)  NOT NULL,
  Tp2Upn  VARCHAR(13) NOT NULL,
  Tp2Von  DATE        NOT NULL,
  Tp2Bis  DATE        NOT NULL,
  Tp2Lgr  VARCHAR(3)  NOT NULL,
  Tp2Lna  VARCHAR(3)  NOT NULL,
  Tp2Tge  DOUBLE      NULL DEFAULT NULL,
  Tp2Std  DOUBLE      NULL DEFAULT NULL,
  Tp2Tex  BIGINT      NOT NULL DEFAULT 0,
  Tp2Sex  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY Qvx333Tp2_Key (Tp2Fir, Tp2Upn, Tp2Von, Tp2Bis, Tp2Lgr, Tp2Lna)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Perman values per payroll personnel number, wage type, cost centre and cost
-- unit (one blank when not handed over); a second write of the same key adds
-- its value.
DROP TABLE IF EXISTS QVX333Perman;
CREATE TABLE QVX333Perman (
  PrmPnr  VARCHAR(13) NOT NULL,
  PrmLna  VARCHAR(20) NOT NULL,
  PrmWrt  DOUBLE      NULL DEFAULT NULL,
  PrmKst  VARCHAR(30) NOT NULL,
  PrmKtr  VARCHAR(8)  NOT NULL,
  PrmExa  BIGINT      NOT NULL DEFAULT 0,
  UNIQUE KEY QVX333Perman_Key (PrmPnr, PrmLna, PrmKst, PrmKtr)
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
  ProMin  BIGINT        NULL DEFAULT NULL,
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
  BmnMin  INT           NULL DEFAULT NULL,
  UNIQUE KEY Qvx333Bmn_Key (BmnStz, BmnPnr, BmnAbm, BmnLna)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- GOD: hour records (970) per cost centre and absence periods (331); a
-- record with the same key adds its hours (GodMin: the exact minutes) and
-- replaces the to-date.
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
  GodKst  VARCHAR(6)    NOT NULL DEFAULT '',
  GodEar  VARCHAR(2)    NULL DEFAULT NULL,
  GodFvo  VARCHAR(6)    NOT NULL,
  GodFbi  VARCHAR(6)    NULL DEFAULT NULL,
  GodFgr  VARCHAR(2)    NULL DEFAULT NULL,
  GodNam  VARCHAR(50)   NULL DEFAULT NULL,
  GodMin  BIGINT        NULL DEFAULT NULL,
  UNIQUE KEY Qvx333God_Key (GodArt, GodPnr, GodLna, GodDvo, GodDbi, GodFvo, GodKst)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;
