#!/usr/bin/env bash
# Demo: builds the program, starts the private MariaDB server, creates a demo
# installation tree and a demo company, runs a final settlement of the demo
# circle and shows what the run produced.
#
#   scripts/demo.sh            (as root on a fresh Debian machine)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

packages=(cmake make g++ libmariadb-dev mariadb-server mariadb-client libgtest-dev)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

echo "== building"
cmake -S . -B build >/dev/null
cmake --build build -j2 --target lugtransfer lugtransfer-ini >/dev/null

scripts/db-server.sh start
sock=$root/build/db/mysqld.sock
sql() { mariadb --no-defaults --socket="$sock" -uroot "$@"; }

# A Windows-1252 file with CR LF shown in UTF-8: lines FROM to TO ("$" for the
# last). sed reads the whole file instead of stopping after the last line it
# prints, so no program of the pipe ever writes into a closed pipe (SIGPIPE,
# exit code 141 under pipefail, as with "| head"); showing a file never ends
# the demo.
show() {
  { iconv -f WINDOWS-1252 -t UTF-8 "$3" || true; } | tr -d '\r' | sed -n "$1,$2p"
}

schema=DEMO
circle=${LUG_DEMO_CIRCLE:-D1}
echo "== demo company: schema $schema, circle $circle"
sql -e "DROP DATABASE IF EXISTS $schema; CREATE DATABASE $schema CHARACTER SET latin1;"
sql <db/darvonix.sql
sql -e "CALL Darvonix.FillCalendar(2015, 2035)"
sql "$schema" <db/schema.sql
sql "$schema" <db/demo.sql

# The installation tree: the program runs in bin/ and finds its configuration,
# its log folder and the transfer folder relative to it.
demo=$root/demo
rm -rf "$demo"
mkdir -p "$demo/bin" "$demo/Files" "$demo/Quantivel_php/log" "$demo/Transfer"
# the connection text holds at most 41 characters: a longer socket path is
# reached through a short link
net8=$sock
if [ ${#net8} -gt 41 ]; then
  net8=/tmp/lug-demo.sock
  ln -sfn "$sock" "$net8"
fi
build/lugtransfer-ini "$demo/Files/quantivel.ini" lug lug "$net8" >/dev/null

# the accounting number whose period holds the demo bookings
abrnr=$(sql -N "$schema" -e "SELECT AbrNum FROM Qvx330Abr WHERE AbrAkr = '$circle'
                             AND (SELECT MAX(ZkbDtm) FROM Qvx331Zkb) BETWEEN AbrVon AND AbrBis")
echo "== running: lugtransfer localhost $schema $circle $abrnr 0   (in $demo/bin)"
set +e
(cd "$demo/bin" && ../../build/lugtransfer localhost "$schema" "$circle" "$abrnr" 0)
code=$?
set -e
echo
echo "== exit code: $code (1 = the final commit succeeded)"
summary="$demo/Quantivel_php/log/lug_${schema}_${circle}_${abrnr}.json"
if [ -e "$summary" ]; then
  echo "== summary of the hand-over ($(basename "$summary"); complete, left_out or aborted):"
  # the result and what was left out, as the calling application reads them
  sed -n 's/^  "result": "\([a-z_]*\)".*/   result: \1/p' "$summary"
  echo "   records left out or findings: $(grep -c '"kind":' "$summary" || true)" \
    "(listed in the report lug_${schema}_${circle}_${abrnr}.html)"
fi
echo "== status of the circle (AkrAdt, 98 = normal end):"
sql -t "$schema" -e "SELECT AkrNum, AkrAdt FROM O1001AbrKreis WHERE AkrNum = '$circle'"
echo "== run log ($demo/Quantivel_php/log/log#lug.txt, shown in UTF-8), first 40 lines:"
show 1 40 "$demo/Quantivel_php/log/log#lug.txt"
echo "   ..."
log_lines=$(wc -l <"$demo/Quantivel_php/log/log#lug.txt")
show $((log_lines > 5 ? log_lines - 4 : 1)) '$' "$demo/Quantivel_php/log/log#lug.txt"
echo "== transfer records written (Qvx331Zk1), per wage type:"
sql -t "$schema" -e "SELECT Zk1Lna AS wage_type, Zk1Sta AS origin, COUNT(*) AS records,
                            ROUND(SUM(Zk1Std) / 60, 2) AS hours, SUM(Zk1Tge) / 10 AS days
                     FROM Qvx331Zk1 WHERE Zk1Abr = $abrnr GROUP BY Zk1Lna, Zk1Sta ORDER BY Zk1Lna, Zk1Sta"
echo "== files in the transfer directory:"
find "$demo/Transfer" -type f | sed "s|$demo/||"
while IFS= read -r f; do
  echo "== $f (Windows-1252, CR LF; first 15 lines shown in UTF-8):"
  show 1 15 "$f"
done < <(find "$demo/Transfer/Lohn und Gehalt" -type f 2>/dev/null)

# The circles of the further payroll systems, settled one after the other:
# circle, accounting number ("-" for the DATEV circle's), payroll system, then
# the files written into the transfer directory (file:NAME, a pattern may
# match several) or the staging tables filled (table:NAME).
export_dir="$demo/Transfer/Lohn und Gehalt/Export/$schema"
month=$(sql -N "$schema" -e "SELECT date_format(AbrVon, '%m') FROM Qvx330Abr WHERE AbrAkr = '$circle' AND AbrNum = $abrnr")
circles=(
  "LD1 11 LODAS file:LodasSST-*.txt"
  "LG1 11 LOGA2001 file:Loga2001Lpc.csv file:Loga2001Lp1.csv"
  "S1 - sage file:020410$month"
  "R1 - Raet file:Raet.txt"
  "X1 - XXL-Exact file:LO_IMP.txt"
  "E1 - EMIS table:Qvx333Ems"
  "L4 11 Loga400 table:Qvx333B01 table:Qvx333B06"
  "AS 11 Asring table:Qvx333Asr table:Qvx333Ask"
  "SP 11 Schleupen file:LOXF-0001.csv table:Qvx333Sli"
  "P1 21 PAISY file:PaisyP1.txt file:PaisyP3.txt file:PaisyP4.txt"
  "P2 31 PAISY(Br) file:PaisyP1b.txt file:PaisyP3b.txt file:PaisyP4b.txt"
  "SA 11 SAP file:SAP2010.txt file:SAP2010.csv file:SAP2001.txt file:SAP2001.csv"
  "T1 11 TOPAS file:LGD038IM file:LGD034IM table:Qvx333Tp1 table:Qvx333Tp2"
  "PM 11 Perman file:M0060763.001 table:QVX333Perman"
  "PR 11 ProAL file:ProAL.txt table:Qvx333Pro"
  "SB 11 SBS file:BEWA-042.DAT table:Qvx333Sbs"
  "B1 11 Baumann file:BMNLUG.txt table:Qvx333Bmn"
  "G1 11 GOD file:PVZERZDP.DAT table:Qvx333God"
)
for entry in "${circles[@]}"; do
  read -r c nr system outputs <<<"$entry"
  [ "$nr" = - ] && nr=$abrnr
  echo
  set +e
  (cd "$demo/bin" && ../../build/lugtransfer localhost "$schema" "$c" "$nr" 0 >/dev/null)
  code=$?
  set -e
  adt=$(sql -N "$schema" -e "SELECT AkrAdt FROM O1001AbrKreis WHERE AkrNum = '$c'")
  echo "== circle $c ($system), accounting number $nr: exit code $code, AkrAdt $adt"
  for summary in "$demo/Quantivel_php/log/"lug_*_"${c}_${nr}".json; do
    [ -e "$summary" ] || continue
    result=$(sed -n 's/^  "result": "\([a-z_]*\)".*/\1/p' "$summary")
    echo "   summary $(basename "$summary"): result $result"
  done
  for output in $outputs; do
    case $output in
      file:*)
        for f in "$export_dir"/${output#file:}; do
          [ -e "$f" ] || { echo "   ${output#file:}: not written"; continue; }
          echo "   $(basename "$f"): $(wc -l <"$f") lines; first 5 shown in UTF-8:"
          show 1 5 "$f" | sed 's/^/     /'
        done
        ;;
      table:*)
        echo "   ${output#table:}: $(sql -N "$schema" -e "SELECT COUNT(*) FROM ${output#table:}") rows; first 3:"
        sql -t "$schema" -e "SELECT * FROM ${output#table:} ORDER BY 2, 3, 4 LIMIT 3" | sed 's/^/     /'
        ;;
    esac
  done
done

# A check of the DATEV circle (lists configuration and data problems, writes
# nothing; exit code 0: none found) and where the reports of the runs stand.
echo
echo "== check: lugtransfer localhost $schema $circle $abrnr 0 --check"
set +e
findings=$(cd "$demo/bin" && ../../build/lugtransfer localhost "$schema" "$circle" "$abrnr" 0 --check)
code=$?
set -e
{ printf '%s\n' "$findings" | iconv -f WINDOWS-1252 -t UTF-8 || true; }
echo "== check: exit code $code"
echo "== reconciliation reports and summaries (per circle and accounting number; _pruefung: the check):"
ls "$demo/Quantivel_php/log/"lug_*.html "$demo/Quantivel_php/log/"lug_*.json | sed "s|$demo/||"
echo
echo "The demo tree stays in $demo; the server keeps running (scripts/db-server.sh stop ends it)."
