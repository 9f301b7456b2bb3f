#!/usr/bin/env python3
"""Writes tests/scenarios/reference_company.scn: the reference company that
every change of the settlement must reproduce byte for byte.

About 300 employees in a DATEV circle '01' (retro depth 3) and a TOPAS circle
'02', four periods (January to April 2026), settled one after the other: the
final settlements of January to March, an interim settlement of April, changed
bookings in February and March, the final settlement of April with its
retro-calculation, a run filtered on one employee and the TOPAS circle. The
results (transfer, statistics, retro and memo rows, the whole log and the
DATEV file) are the golden files tests/golden/reference_*; refresh them with
LUG_UPDATE_GOLDEN=1 only when a change of results is intended.

Usage: scripts/gen-reference.py [N]   (default 300 employees)
"""
import datetime as dt
import os
import sys

N = int(sys.argv[1]) if len(sys.argv) > 1 else 300
root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
out = os.path.join(root, "tests", "scenarios", "reference_company.scn")

D = dt.date
START, END = D(2026, 1, 1), D(2026, 4, 30)


def days(a, b):
    d = a
    while d <= b:
        yield d
        d += dt.timedelta(days=1)


def q(v):
    if v is None:
        return "NULL"
    if isinstance(v, (int, float)):
        return str(v)
    if isinstance(v, D):
        return "'" + v.isoformat() + "'"
    return "'" + str(v).replace("'", "''") + "'"


class Rows:
    def __init__(self, head):
        self.head, self.rows = head, []

    def add(self, *vals):
        self.rows.append("(" + ", ".join(q(v) for v in vals) + ")")

    def sql(self):
        out = []
        for i in range(0, len(self.rows), 400):
            out.append(self.head + " VALUES\n " + ",\n ".join(self.rows[i:i + 400]) + ";")
        return "\n".join(out)


bsv = Rows("INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug, BsvSfr)")
zuo = Rows("INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoGbi, ZuoKst, ZuoKtr, ZuoKrt)")
pers = Rows("INSERT INTO Qvx300Pnr (PnrNum, PnrNam)")
zkb = Rows("INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd)")
tag = Rows("INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagTgb, TagHtv, TagHtn, TagOne, TagKom, TagGeh)")
utg = Rows("INSERT INTO QVX332UTG (UtgPnr, UtgDtm, UtgRtg, UtgVtg)")
sfz = Rows("INSERT INTO Qvx332Sfz (SfzPnr, SfzDtm, SfzAnt, SfzGen, SfzGvv)")
zks = Rows("INSERT INTO Qvx331Zks (ZksPnr, ZksDtm, ZksTxt, ZksWrt)")
ztg = Rows("INSERT INTO Qvx329Ztg (ZtgPnr, ZtgVon, ZtgAzt)")
ref = Rows("INSERT INTO RefPerson (Pnr, Variants, NVar, Kst, Ktr, Base, Sa1, Sa2, Sa3, Mx, Sat)")
tgbfix = []  # (pnr, day, column, value) of day records that differ from the rule

MONTH_ENDS = [D(2026, 1, 31), D(2026, 2, 28), D(2026, 3, 31), D(2026, 4, 30)]
NAMES = ["Müller", "Groß", "Weiß", "Köhler", "Bäumer", "Schäfer", "Jäger", "Strauß", "Öhler", "Übel"]
changes = []  # statements between the interim and the final run of April


def employee(i, pnr, akr, gvo=D(2020, 1, 1), gbi=None, bookings_pnr=None, more_bsv=()):
    bp = bookings_pnr or (lambda k: pnr)
    lug = None if i % 4 == 0 else str(21000 + i)
    sfr = "S1" if i % 6 == 0 else None
    bsv.add(pnr, akr, gvo, gbi, lug, sfr)
    for row in more_bsv:
        bsv.add(*row)
    pers.add(pnr, NAMES[i % len(NAMES)] + ", " + str(i))
    kst = ["4100", "4200", "Büro Süd", "K 7 ", "5100"][i % 5]
    ktr = ["TISCH", "", "Maß", "SOFA", ""][i % 5]
    if i % 37 == 5:  # cost centre changes in March: the newest assignment counts
        zuo.add(pnr, D(2019, 1, 1), D(2026, 2, 28), kst, ktr, "6200")
        zuo.add(pnr, D(2026, 3, 1), None, "4300", "SCHRK", "6300")
    elif i % 53 != 7:  # a few have no home cost assignment
        zuo.add(pnr, D(2019, 1, 1), None, kst, ktr, "6200")
    base = 240 if i % 10 == 3 else 480
    # absences: a vacation run over a weekend (Thu..Tue), a half day, sickness
    # with a gap day (Mon, Tue, Thu), a target-0 workday inside a run
    m = 1 + i % 4
    first = D(2026, m, 1)
    thu = first + dt.timedelta(days=(3 - first.weekday()) % 7 + 7 * (i % 2))
    vac = [thu + dt.timedelta(days=k) for k in range(6)]
    half = thu + dt.timedelta(days=8)  # a Friday
    mon = thu + dt.timedelta(days=11)
    sick = [mon, mon + dt.timedelta(days=1), mon + dt.timedelta(days=3)]
    zero = vac[4] if i % 3 == 0 else None  # Monday of the run: no target time
    unpaid = set()
    if i % 5 == 1:  # interruption: a week unpaid
        unpaid = {mon + dt.timedelta(days=7 + k) for k in range(5)}
    sa = [(i * 13) % 400 - 200, (i * 7) % 300 - 100, (i * 3) % 100]
    bps = sorted({bp(k) for k in range(12)}, key=lambda v: [bp(k) for k in range(12)].index(v))
    ref.add(pnr, "|".join(bps), len(bps), kst, ktr, base, sa[0], sa[1], sa[2], 600 if i % 2 == 0 else 0,
            1 if i % 11 == 0 else 0)
    if zero:
        tgbfix.append(f"UPDATE Qvx320Tgb SET TgbSol = 0 WHERE TgbPnr = {q(pnr)} AND TgbDtm = {q(zero)} AND TgbZtr = 1;")
    if unpaid:
        tgbfix.append(f"UPDATE Qvx320Tgb SET TgbUnb = 480 WHERE TgbPnr = {q(pnr)} AND TgbZtr = 1"
                      f" AND TgbDtm BETWEEN {q(min(unpaid))} AND {q(max(unpaid))};")
    for d in vac:
        tag.add(pnr, d, d, "U", None, None, 0, 0, 0)
    tag.add(pnr, half, half, None, "HU", None, 1, 1, 0)
    for d in sick:
        tag.add(pnr, d, d, "K", None, None, 0, 0, 0)
    for d in days(START, END):
        if d.weekday() >= 5 and not (i % 11 == 0 and d.weekday() == 5):
            continue
        k = bp(d.toordinal())
        if d in vac:
            if d.weekday() < 5 and d != zero:
                zkb.add(k, 1, d, kst, ktr, "6200", "URL", base)
            continue
        if d in sick:
            zkb.add(k, 1, d, kst, ktr, "6200", "KRK", base)
            continue
        if d in unpaid:
            continue
        if d == half:
            zkb.add(k, 1, d, kst, ktr, "6200", "URL", base // 2)
        if i % 4 == 0 and d.day % 7 == 2:
            zkb.add(k, 1, d, kst, ktr, "6200", "NZ", 45 + i % 30)
        if i % 9 == 0 and d.day == 15:
            zkb.add(k, 1, d, kst, "", "6200", "NZ", -15)
    for me in MONTH_ENDS:
        k = bp(me.toordinal())
        zkb.add(k, 3, me, kst, ktr, "6200", "AZ", 9000 + 10 * i + me.month)
        zkb.add(k, 3, me, kst, ktr, "6200", "MEH", (i * me.month) % 240 - 60)
        if i % 2 == 0:
            zkb.add(k, 3, me, kst, ktr, "6200", "ZUS", 60 + i % 50)
        if i % 3 == 1:
            zkb.add(k, 3, me, kst, ktr, "6200", "ZU3", 30 + i % 20)
        utg.add(pnr, me, (i % 30) + 0.5 * (i % 2), i % 5)
        if i % 6 == 0:
            sfz.add(pnr, me, 10 + i % 5, me.month, i % 2)
        if i % 7 == 0:
            zks.add(pnr, me - dt.timedelta(days=3), "LSA", round(2.5 + i % 9 + me.month / 4, 2))
            zks.add(pnr, me - dt.timedelta(days=2), "LSB", -1.25 * (i % 3))
    if i % 20 == 0:
        ztg.add(pnr, D(2025, 1, 1), "A8")
    # changed bookings of February and March, found by April's retro-calculation
    if i % 8 == 2:
        changes.append(f"UPDATE Qvx331Zkb SET ZkbStd = ZkbStd + 15 WHERE ZkbPnr = {q(pnr)} AND ZkbZtr = 3"
                       f" AND ZkbDtm = '2026-02-28' AND ZkbZkt = 'AZ';")
    if i % 8 == 5:
        d = D(2026, 3, 10)
        changes.append(f"DELETE FROM Qvx331Zkb WHERE ZkbPnr = {q(pnr)} AND ZkbDtm = '2026-03-10' AND ZkbZkt = 'ARB';")
        changes.append(f"INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd)"
                       f" VALUES ({q(pnr)}, 1, '2026-03-10', {q(kst)}, {q(ktr)}, '6200', 'KRK', {base});")
        changes.append(f"INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagTgb) VALUES ({q(pnr)}, '2026-03-10',"
                       f" '2026-03-10', 'K');")
    if i % 8 == 7:
        changes.append(f"UPDATE Qvx331Zkb SET ZkbStd = ZkbStd - 30 WHERE ZkbPnr = {q(pnr)} AND ZkbZtr = 1"
                       f" AND ZkbDtm BETWEEN '2026-02-01' AND '2026-02-28' AND ZkbZkt = 'NZ';")
        changes.append(f"UPDATE QVX332UTG SET UtgRtg = UtgRtg - 1 WHERE UtgPnr = {q(pnr)} AND UtgDtm = '2026-03-31';")


for i in range(N - 20):
    pnr = "R%03d" % i
    if i == 10:
        # moves to circle 02 in the middle of February
        employee(i, pnr, "01", gbi=D(2026, 2, 15),
                 more_bsv=[(pnr, "02", D(2026, 2, 16), None, None, None)])
    elif i == 11:
        # late entry: circle 02 until 30 March, circle 01 from 31 March
        employee(i, pnr, "02", gbi=D(2026, 3, 30),
                 more_bsv=[(pnr, "01", D(2026, 3, 31), None, "31011", None)])
    elif i == 12:
        # enters on 20 February
        employee(i, pnr, "01", gvo=D(2026, 2, 20))
    elif i == 13:
        # leaves on 10 March
        employee(i, pnr, "01", gbi=D(2026, 3, 10))
    elif i == 14:
        # two employment rows in the circle (a new payroll number from March)
        employee(i, pnr, "01", gbi=D(2026, 2, 28),
                 more_bsv=[(pnr, "01", D(2026, 3, 1), None, "41014", None)])
    elif i == 15:
        # bookings under the personnel number in other case and with trailing blanks
        employee(i, "e15", "01", bookings_pnr=lambda k: ["e15", "E15", "e15 ", "E15  "][k % 4])
    elif i == 16:
        employee(i, "X16 ", "01", bookings_pnr=lambda k: ["X16", "x16 ", "X16 "][k % 3])
    else:
        employee(i, pnr, "01")
for i in range(N - 20, N):
    employee(i, "T%03d" % i, "02")

setup = f"""INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt) VALUES ('01', 'DV', 0, 0, 3, 0), ('02', 'TP', 0, 0, 0, 0);
INSERT INTO Darvonix.Qvx112Mnd (MndSch, MndSto) VALUES ('{{SCHEMA}}', '02272');
INSERT INTO Qvx171Lug (LugLug, LugLgp, LugDtm, LugMon, LugFir, LugAkr, LugPnr) VALUES ('DV', 'DATEV', 0, 0, '29871', '00042', 0), ('TP', 'TOPAS', 0, 0, '4711', '01', 0);
INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes) VALUES ('DATEV', 'LA', 1, 1, 1), ('TOPAS', 'T1', 1, 1, 0);
INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 1, '2026-01-01', '2026-01-31'), ('01', 2, '2026-02-01', '2026-02-28'), ('01', 3, '2026-03-01', '2026-03-31'), ('01', 4, '2026-04-01', '2026-04-30'),
  ('02', 1, '2026-01-01', '2026-01-31'), ('02', 2, '2026-02-01', '2026-02-28'), ('02', 3, '2026-03-01', '2026-03-31'), ('02', 4, '2026-04-01', '2026-04-30');
INSERT INTO Qvx131Fcd (FcdNum, FcdZkt) VALUES ('U', 'URL'), ('HU', 'URL'), ('K', 'KRK');
INSERT INTO Qvx155Sfr (SfrMod, SfrAnz) VALUES ('S1', 2);
INSERT INTO Qvx140Azv (AzvNum, AzvGvo, AzvSol) VALUES ('A8', '2020-01-01', 480);
INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Gbi, Lu1Rre, Lu1Tgw, Lu1Kst, Lu1Ktr, Lu1Krt, Lu1Tge, Lu1Sol, Lu1Svk, Lu1Flg, Lu1Sts, Lu1Fkt, Lu1Ztr) VALUES
  ('DV', 'LA', 'AZ',  '1000', NULL,  '2020-01-01', NULL, 1, 0, 1, 1, 1, 0, 0, 0, 0, 102, 0, 0),
  ('DV', 'LA', 'ARB', '1001', NULL,  '2020-01-01', NULL, 1, 0, 1, 0, 0, 0, 0, 0, 0, 103, 0, 0),
  ('DV', 'LA', 'MEH', '1200', NULL,  '2020-01-01', NULL, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0),
  ('DV', 'LA', 'NZ',  '1310', 'NZ',  '2020-01-01', NULL, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0),
  ('DV', 'LA', 'URL', '3000', NULL,  '2020-01-01', NULL, 1, 0, 0, 0, 0, 0, 1, 1, 0, 105, 0, 1),
  ('DV', 'LA', 'KRK', '4000', NULL,  '2020-01-01', NULL, 1, 0, 1, 1, 0, 0, 1, 1, 0, 106, 0, 1),
  ('DV', 'LA', 'KRK', '4010', NULL,  '2020-01-01', NULL, 1, 0, 0, 0, 0, 1, 1, 0, 0, 104, 0, 1),
  ('DV', 'LA', 'ZUS', '5000', NULL,  '2020-01-01', NULL, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0),
  ('DV', 'LA', 'ZU3', '5300', NULL,  '2020-01-01', NULL, 1, 0, 1, 0, 0, 0, 0, 0, 3, 0, 1, 0),
  ('DV', 'LA', 'UNT', '6000', NULL,  '2020-01-01', NULL, 1, 0, 0, 0, 0, 0, 0, 0, 0, 112, 0, 0),
  ('DV', 'LA', 'SFR', '9000', 'SFR', '2020-01-01', NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
  ('DV', 'LA', 'RUL', '9100', 'RUL', '2020-01-01', NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
  ('DV', 'LA', 'GLT', '9150', 'GLT', '2020-01-01', NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
  ('DV', 'LA', 'MGF', '9200', 'MGF', '2020-01-01', NULL, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0),
  ('DV', 'LA', 'RZT', '9300', 'RZT', '2020-01-01', NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
  ('TP', 'T1', 'ARB', '100',  NULL,  '2020-01-01', NULL, 1, 0, 1, 0, 0, 0, 0, 0, 0, 102, 0, 0),
  ('TP', 'T1', 'AZ',  '110',  NULL,  '2020-01-01', NULL, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0),
  ('TP', 'T1', 'URL', '300',  NULL,  '2020-01-01', NULL, 1, 0, 0, 0, 0, 0, 1, 1, 0, 105, 0, 1),
  ('TP', 'T1', 'KRK', '400',  NULL,  '2020-01-01', NULL, 1, 0, 1, 1, 0, 1, 1, 0, 0, 106, 0, 1),
  ('TP', 'T1', 'RUL', '910',  'RUL', '2020-01-01', NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
"""
setup += """CREATE TABLE RefPerson (Pnr VARCHAR(8) NOT NULL, Variants VARCHAR(40) NOT NULL, NVar INT NOT NULL,
  Kst VARCHAR(30) NOT NULL, Ktr VARCHAR(6) NOT NULL, Base INT NOT NULL, Sa1 INT NOT NULL, Sa2 INT NOT NULL,
  Sa3 INT NOT NULL, Mx INT NOT NULL, Sat INT NOT NULL) DEFAULT CHARSET=latin1;
"""
setup += "\n".join(r.sql() for r in [ref, pers, bsv, zuo, tag, utg, sfz, zks, ztg] if r.rows) + "\n"
setup += """-- day records of every day, the period-start records with the maximum
INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbUnb, TgbMax, TgbSa1, TgbVt1, TgbSa2, TgbVt2, TgbSa3, TgbVt3)
  SELECT p.Pnr, b.BakDtm, 1, IF(WEEKDAY(b.BakDtm) < 5, p.Base, 0), 0, 0, p.Sa1 + DAY(b.BakDtm), MONTH(b.BakDtm),
         p.Sa2 - DAY(b.BakDtm), 0, p.Sa3, 1
    FROM RefPerson p, Darvonix.Qvx133Bak b WHERE b.BakDtm BETWEEN '2026-01-01' AND '2026-04-30';
INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbMax)
  SELECT p.Pnr, b.BakDtm, 3, p.Mx FROM RefPerson p, Darvonix.Qvx133Bak b
   WHERE b.BakDtm BETWEEN '2026-01-01' AND '2026-04-30' AND DAY(b.BakDtm) = 1;
"""
setup += "\n".join(tgbfix) + "\n"
setup += """-- work on every working day (and Saturdays for some), under the spellings of
-- the personnel number in turn; none on days with a day code or unpaid days,
-- half on half days
INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd)
  SELECT SUBSTRING_INDEX(SUBSTRING_INDEX(p.Variants, '|', 1 + MOD(TO_DAYS(b.BakDtm), p.NVar)), '|', -1), 1, b.BakDtm,
         p.Kst, p.Ktr, '6200', 'ARB', p.Base + IF(MOD(DAY(b.BakDtm), 3) = 0, 30, 0)
    FROM RefPerson p, Darvonix.Qvx133Bak b
   WHERE b.BakDtm BETWEEN '2026-01-01' AND '2026-04-30' AND (WEEKDAY(b.BakDtm) < 5 OR (p.Sat = 1 AND WEEKDAY(b.BakDtm) = 5))
     AND NOT EXISTS (SELECT 1 FROM Qvx327Tag t WHERE t.TagPnr = p.Pnr AND t.TagTag = b.BakDtm AND t.TagTgb IS NOT NULL)
     AND NOT EXISTS (SELECT 1 FROM Qvx320Tgb g WHERE g.TgbPnr = p.Pnr AND g.TgbDtm = b.BakDtm AND g.TgbZtr = 1 AND g.TgbUnb > 0);
UPDATE Qvx331Zkb z, Qvx327Tag t, RefPerson p SET z.ZkbStd = p.Base DIV 2
 WHERE t.TagPnr = p.Pnr AND t.TagHtv = 'HU' AND z.ZkbPnr = p.Pnr AND z.ZkbDtm = t.TagTag AND z.ZkbZkt = 'ARB';
DROP TABLE RefPerson;
"""
setup += "\n".join(r.sql() for r in [zkb] if r.rows) + "\n"

FILE = '"Transfer/Lohn und Gehalt/Export/{SCHEMA}/datev.csv"'
ROWS = [
    ("reference_zk1.txt", "SELECT Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt,"
     " Zk1Std, Zk1Tge, Zk1Stg, Zk1Von, Zk1Bis, Zk1Sts, Zk1Rre, Zk1Sta, Zk1Dat, Zk1Upn, Zk1Inf, Zk1Su1, Zk1Rrn"
     " FROM Qvx331Zk1 ORDER BY Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr,"
     " Zk1Von, Zk1Bis, Zk1Rre, Zk1Std"),
    ("reference_zk2.txt", "SELECT * FROM Qvx331Zk2 ORDER BY Zk2Abr, Zk2Pnr, Zk2Bdt, Zk2Rre"),
    ("reference_zk3.txt", "SELECT * FROM Qvx331Zk3 ORDER BY Zk3Key, Zk3Abr, Zk3Lfn, Zk3Stz, Zk3Bdt, Zk3Pnr, Zk3Zkt,"
     " Zk3Lna, Zk3Lgr, Zk3Kst, Zk3Ktr"),
    ("reference_zk5.txt", "SELECT * FROM Qvx331Zk5 ORDER BY Zk5Key, Zk5Abr, Zk5Lfn, Zk5Stz, Zk5Bdt, Zk5Pnr, Zk5Zkt,"
     " Zk5Lna, Zk5Lgr, Zk5Kst, Zk5Ktr, Zk5Rre, Zk5Std, Zk5Tge"),
    ("reference_tp.txt", "SELECT * FROM Qvx333Tp1 ORDER BY 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11"),
    ("reference_akr.txt", "SELECT AkrNum, AkrAdt FROM O1001AbrKreis ORDER BY AkrNum"),
]


def run(now, args, exit_code=1):
    return f"[now]\n{now}\n[args]\n{args}\n[exit]\n{exit_code}\n"


scn = """Reference company: about 300 employees of a DATEV circle (retro depth 3) and
a TOPAS circle over four periods with month and day accounts, runs of days
over weekends and gaps, half days, days without target time, following
months (Lu1Flg 1 and 3), late entry, circle change and moved-away masking,
interruptions, the special records, site records ("02272"), an interim run,
a run filtered on one employee, a retro-calculation over changed bookings and
personnel numbers differing only in case or trailing blanks. Generated by
scripts/gen-reference.py; every result is compared with tests/golden/reference_*.
[setup]
""" + setup
scn += run("2026-02-02 07:00:00", "x {schema} 01 1 0")
scn += run("2026-03-02 07:00:00", "x {schema} 01 2 0")
scn += run("2026-04-01 07:00:00", "x {schema} 01 3 0")
scn += run("2026-04-16 07:00:00", "x {schema} 01 4 1")
scn += f"[file {FILE} reference_datev_interim.csv]\n"
scn += "[setup]\n" + "\n".join(changes) + "\n"
scn += run("2026-05-04 07:00:00", "x {schema} 01 4 0")
scn += f"[file {FILE} reference_datev_final.csv]\n"
scn += run("2026-05-04 08:00:00", "x {schema} 01 4 0 /PR100")
scn += f"[file {FILE} reference_datev_filtered.csv]\n"
scn += run("2026-05-04 09:00:00", "x {schema} 02 4 0")
for golden, query in ROWS:
    scn += f"[rows {golden}]\n{query}\n[end]\n"
scn += "[logfile reference_log.txt]\n"
with open(out, "w", encoding="utf-8") as f:
    f.write(scn)
print(f"{out}: {N} employees, {len(zkb.rows)} bookings besides the daily work")
