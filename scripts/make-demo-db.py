#!/usr/bin/python3
"""Builds examples/demo/Dane/demo.db: a small sales database with Polish names, dates and amounts.
Deterministic (fixed seed), so the committed file can be rebuilt byte for byte from this script."""
import datetime, os, random, sqlite3, sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "examples", "demo", "Dane", "demo.db")
if os.path.exists(out):
    os.remove(out)
rng = random.Random(2015)
db = sqlite3.connect(out)
db.executescript("""
CREATE TABLE klienci (id INTEGER PRIMARY KEY, nazwa VARCHAR(80) NOT NULL, miasto VARCHAR(40) NOT NULL, nip VARCHAR(13));
CREATE TABLE produkty (id INTEGER PRIMARY KEY, nazwa VARCHAR(80) NOT NULL, kategoria VARCHAR(40) NOT NULL, cena DECIMAL(10,2) NOT NULL);
CREATE TABLE handlowcy (id INTEGER PRIMARY KEY, imie_nazwisko VARCHAR(60) NOT NULL, region VARCHAR(40) NOT NULL);
CREATE TABLE sprzedaz (
  id INTEGER PRIMARY KEY, data DATE NOT NULL, klient_id INTEGER NOT NULL REFERENCES klienci(id),
  produkt_id INTEGER NOT NULL REFERENCES produkty(id), handlowiec_id INTEGER NOT NULL REFERENCES handlowcy(id),
  ilosc INTEGER NOT NULL, kwota DECIMAL(10,2) NOT NULL, rabat DECIMAL(18,6), zaplacono BOOLEAN NOT NULL);
CREATE TABLE reklamacje (id INTEGER PRIMARY KEY, sprzedaz_id INTEGER, data DATE, opis VARCHAR(200));
""")
miasta = ["Warszawa", "Kraków", "Łódź", "Wrocław", "Poznań", "Gdańsk", "Szczecin", "Bydgoszcz", "Lublin",
          "Białystok", "Katowice", "Gdynia", "Częstochowa", "Radom", "Toruń", "Kielce", "Rzeszów", "Olsztyn",
          "Zielona Góra", "Opole", "Gorzów Wielkopolski", "Bielsko-Biała", "Płock", "Elbląg", "Tarnów"]
formy = ["Sp. z o.o.", "S.A.", "s.c.", "Sp.j.", "P.P.H.U."]
rdzenie = ["Żuraw", "Jędrek", "Bór", "Źródło", "Łąka", "Ślęża", "Gęś", "Mazur", "Kłos", "Wiśnia", "Dąb",
           "Sosna", "Orzeł", "Róża", "Pszczółka", "Sokół", "Wrzos", "Zorza", "Kruk", "Jaśmin"]
branze = ["Hurtownia", "Sklep", "Przedsiębiorstwo", "Zakład", "Piekarnia", "Drogeria", "Apteka", "Księgarnia"]
klienci = []
for i in range(1, 121):
    nazwa = f"{rng.choice(branze)} {rng.choice(rdzenie)} {rng.choice(formy)}"
    nip = f"{rng.randint(100, 999)}-{rng.randint(100, 999)}-{rng.randint(10, 99)}-{rng.randint(10, 99)}" if rng.random() > 0.1 else None
    klienci.append((i, nazwa, rng.choice(miasta), nip))
db.executemany("INSERT INTO klienci VALUES (?,?,?,?)", klienci)

produkty = [
    ("Kawa ziarnista 1 kg", "Spożywcze", "54.90"), ("Herbata zielona 100 g", "Spożywcze", "12.49"),
    ("Miód wielokwiatowy 400 g", "Spożywcze", "24.00"), ("Czekolada gorzka 100 g", "Spożywcze", "6.99"),
    ("Mąka pszenna 1 kg", "Spożywcze", "3.89"), ("Olej rzepakowy 1 l", "Spożywcze", "9.49"),
    ("Papier ksero A4", "Biurowe", "21.50"), ("Długopis żelowy", "Biurowe", "4.20"),
    ("Segregator A4/75", "Biurowe", "8.75"), ("Zszywacz metalowy", "Biurowe", "32.00"),
    ("Płyn do naczyń 1 l", "Chemia", "7.30"), ("Mydło w płynie 500 ml", "Chemia", "8.10"),
    ("Proszek do prania 3 kg", "Chemia", "39.99"), ("Ręczniki papierowe", "Chemia", "11.20"),
    ("Żarówka LED 9 W", "Elektryka", "13.90"), ("Przedłużacz 5 m", "Elektryka", "27.50"),
    ("Bateria AA 4 szt.", "Elektryka", "15.60"), ("Latarka czołowa", "Elektryka", "45.00"),
    ("Śrubokręt krzyżakowy", "Narzędzia", "18.30"), ("Młotek ślusarski", "Narzędzia", "36.40"),
    ("Klucz nastawny", "Narzędzia", "52.10"), ("Taśma miernicza 5 m", "Narzędzia", "19.99"),
    ("Rękawice robocze", "BHP", "5.50"), ("Okulary ochronne", "BHP", "14.80"),
]
db.executemany("INSERT INTO produkty VALUES (?,?,?,?)", [(i + 1, *p) for i, p in enumerate(produkty)])
handlowcy = [(1, "Anna Wiśniewska", "Mazowsze"), (2, "Paweł Żółkiewski", "Małopolska"),
             (3, "Katarzyna Łęcka", "Śląsk"), (4, "Grzegorz Kłos", "Pomorze"),
             (5, "Małgorzata Dąbrowska", "Wielkopolska"), (6, "Tomasz Ślusarczyk", "Dolny Śląsk")]
db.executemany("INSERT INTO handlowcy VALUES (?,?,?)", handlowcy)

start = datetime.date(2024, 1, 1)
rows = []
for i in range(1, 4001):
    d = start + datetime.timedelta(days=rng.randint(0, 3 * 365))
    p = rng.randint(1, len(produkty))
    ilosc = rng.randint(1, 40)
    cena = float(produkty[p - 1][2])
    rabat = round(rng.choice([0, 0, 0, 0.05, 0.1, 0.125]), 6) if rng.random() > 0.2 else None
    kwota = round(ilosc * cena * (1 - (rabat or 0)), 2)
    rows.append((i, d.isoformat(), rng.randint(1, len(klienci)), p, rng.randint(1, len(handlowcy)), ilosc,
                 f"{kwota:.2f}", rabat, rng.random() > 0.15))
db.executemany("INSERT INTO sprzedaz VALUES (?,?,?,?,?,?,?,?,?)", rows)
db.execute("CREATE INDEX sprzedaz_data ON sprzedaz(data)")
db.commit()
db.execute("VACUUM")
db.close()
print(f"{out}: {len(rows)} sales rows, {len(klienci)} customers, {len(produkty)} products")
