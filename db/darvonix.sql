-- System database Darvonix of the time-management installation: the client
-- table (schema name -> site number) and the calendar shared by all client
-- schemas. lugtransfer reads Darvonix.Qvx112Mnd for the site number and
-- Darvonix.Qvx133Bak to count calendar days and to find the next day.
--
-- Loading the file again drops and recreates both tables (data is lost).
-- The calendar starts empty; fill it with e.g.  CALL Darvonix.FillCalendar(2000, 2040);
-- FillCalendar can be called any number of times, for overlapping ranges too.

CREATE DATABASE IF NOT EXISTS Darvonix DEFAULT CHARACTER SET latin1;
USE Darvonix;

-- Clients of the installation: one row per client schema with its site number.
DROP TABLE IF EXISTS Qvx112Mnd;
CREATE TABLE Qvx112Mnd (
  MndNum  INT         NOT NULL AUTO_INCREMENT,
  MndNam  VARCHAR(60) NULL DEFAULT NULL,
  MndSch  VARCHAR(40) NOT NULL,
  MndSto  VARCHAR(5)  NULL DEFAULT NULL,
  PRIMARY KEY (MndNum),
  UNIQUE KEY Qvx112Mnd_Sch (MndSch)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Calendar: one row per calendar day.
DROP TABLE IF EXISTS Qvx133Bak;
CREATE TABLE Qvx133Bak (
  BakDtm  DATE NOT NULL,
  PRIMARY KEY (BakDtm)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- FillCalendar(fromYear, toYear): adds every day from 1 January of fromYear to
-- 31 December of toYear that is not yet in the calendar. Days already present
-- are left alone, so the call is idempotent. At most 100000 days (about 273
-- years) are added per call; an empty range (toYear < fromYear) adds nothing.
-- The body is a single statement, so the file loads without DELIMITER.
DROP PROCEDURE IF EXISTS FillCalendar;
CREATE PROCEDURE FillCalendar(IN fromYear INT, IN toYear INT)
  INSERT IGNORE INTO Qvx133Bak (BakDtm)
  SELECT DATE_ADD(MAKEDATE(fromYear, 1), INTERVAL n.num DAY)
    FROM (SELECT d0.d + 10 * d1.d + 100 * d2.d + 1000 * d3.d + 10000 * d4.d AS num
            FROM (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
                  UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) d0,
                 (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
                  UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) d1,
                 (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
                  UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) d2,
                 (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
                  UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) d3,
                 (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
                  UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) d4) n
   WHERE fromYear BETWEEN 1000 AND 9999
     AND toYear BETWEEN 1000 AND 9999
     AND n.num <= DATEDIFF(LAST_DAY(DATE_ADD(MAKEDATE(toYear, 1), INTERVAL 11 MONTH)),
                          MAKEDATE(fromYear, 1));
