-- Demo rows (UTF-8 here; loaded as Windows-1250 by scripts/test-db).
INSERT INTO adresar (ico, dic, nazevpodni, adr1, ulice, psc, sidlo, telefon, email) VALUES
 ('12345678', 'CZ12345678', 'Stavební firma Novák', 'Novák a syn s.r.o.', 'Údolní 12', '60200', 'Brno', '+420 541 000 111', 'info@novak.example'),
 ('87654321', 'CZ87654321', 'Žluťoučký kůň a.s.', 'Kůň Praha', 'Řeznická 7', '11000', 'Praha', '+420 222 000 333', 'kun@example.cz'),
 ('11223344', NULL, 'Čistírna Šťastná', NULL, 'Dlouhá 1', '37001', 'České Budějovice', NULL, NULL);

INSERT INTO obj (dispozice, fak_ico, datum, predmet, mnozstvi, cena, poznamka) VALUES
 ('1001', '12345678', '2026-12-01', 'Dodávka cihel', 1200, 18500.00, 'Doprava na stavbu v Líšni'),
 ('1001', '12345678', '2026-12-01', 'Malta', 40, 3200.50, NULL),
 ('1002', '87654321', '2026-12-05', 'Sedlo kožené', 2, 12990.00, 'Dárkové balení');
