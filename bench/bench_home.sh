# Sourced by the whole-process benchmarks: sales_home HOME ROWS makes a home folder whose SQLite
# database holds ROWS sales rows (id, klient, miasto, kwota, data) in table sprzedaz.
sales_home() {
  local home=$1 rows=$2
  mkdir -p "$home/Dane/Szablony" "$home/Logi" "$home/Tymczasowe"
  sqlite3 "$home/Dane/bench.db" <<SQL
create table sprzedaz (id integer, klient varchar(40), miasto varchar(30), kwota decimal(10,2), data date);
with recursive n(i) as (select 1 union all select i + 1 from n where i < $rows)
insert into sprzedaz select i, 'Klient ' || (i % 997), case i % 3 when 0 then 'Łódź' when 1 then 'Kraków' else 'Gdańsk' end,
  (i % 100000) / 100.0, date('2024-01-01', '+' || (i % 1000) || ' days') from n;
SQL
  printf '[db_driver]=sqlite\r\n[db]=Dane/bench.db\r\n' > "$home/Dane/konfiguracja.txt"
}
