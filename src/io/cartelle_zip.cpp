// The active sheet of Office Open XML (.xlsx) and OpenDocument (.ods) workbooks: a zip container
// (libzip) of XML parts. The small parts (workbook, relations, styles, settings) go through
// QXmlStreamReader, the large ones (sheet data, shared strings, content) through ScansioneXml,
// which is several times faster on them. Every part is read with a bound on its uncompressed
// size, whatever its header claims, so a small file cannot unpack into gigabytes.
#include <libdeflate.h>
#include <zip.h>

#include "io/fogli.h"
#include "io/scansione_xml.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QXmlStreamReader>

#include <charconv>
#include <memory>

namespace gm {

namespace {

constexpr qint64 kMaxParte = 256LL * 1024 * 1024;
constexpr qint64 kMaxTotale = 512LL * 1024 * 1024;
// No part of a workbook the reader accepts is larger than that, compressed.
constexpr qint64 kMaxFileCompresso = 128LL * 1024 * 1024;
// Row and column numbers beyond any sheet's, so that counting on from them cannot overflow.
constexpr qint64 kMaxIndice = qint64(1) << 40;

class Zip {
public:
    explicit Zip(const QByteArray& file) {
        zip_error_t err;
        zip_error_init(&err);
        zip_source_t* src = zip_source_buffer_create(file.constData(), zip_uint64_t(file.size()), 0, &err);
        if (src) {
            z = zip_open_from_source(src, ZIP_RDONLY, &err);
            if (!z) zip_source_free(src);
        }
        zip_error_fini(&err);
    }
    ~Zip() {
        if (z) zip_discard(z);
        if (inflatore) libdeflate_free_decompressor(inflatore);
    }
    bool aperto() const { return z != nullptr; }
    bool ha(const QString& nome) const { return z && zip_name_locate(z, nome.toUtf8().constData(), 0) >= 0; }
    // The part's bytes; false when it is missing, damaged or too large (troppo is then set).
    bool parte(const QString& nome, QByteArray& dati) {
        dati.clear();
        if (!z) return false;
        const zip_int64_t k = zip_name_locate(z, nome.toUtf8().constData(), 0);
        if (k < 0) return false;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z, zip_uint64_t(k), 0, &st) != 0) st.valid = 0;
        const zip_uint64_t limite = zip_uint64_t(std::clamp<qint64>(kMaxTotale - letti, 0, kMaxParte));
        constexpr zip_uint64_t kServe = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                                        ZIP_STAT_ENCRYPTION_METHOD;
        if ((st.valid & kServe) == kServe && st.comp_method == ZIP_CM_DEFLATE && st.encryption_method == ZIP_EM_NONE)
            return sgonfia(zip_uint64_t(k), st, limite, dati);
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(k), 0);
        if (!f) return false;
        // The size the directory claims saves the copies of a growing buffer; believed only as
        // far as the bounds and deflate's largest ratio allow.
        if ((st.valid & ZIP_STAT_SIZE) && (st.valid & ZIP_STAT_COMP_SIZE))
            dati.reserve(qsizetype(std::min({st.size, limite, Possibile(st.comp_size)})));
        char buf[65536];
        bool ok = true;
        for (;;) {
            const zip_int64_t n = zip_fread(f, buf, sizeof buf);
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0) break;
            letti += n;
            if (dati.size() + n > kMaxParte || letti > kMaxTotale) {
                troppo = true;
                ok = false;
                break;
            }
            dati.append(buf, qsizetype(n));
        }
        zip_fclose(f);
        if (!ok) dati.clear();
        return ok;
    }
    bool troppo = false;

private:
    // The most a deflated part of that size can unpack to (deflate's largest ratio is about
    // 1:1032).
    static zip_uint64_t Possibile(zip_uint64_t compressi) {
        return std::min<zip_uint64_t>(compressi, zip_uint64_t(kMaxParte)) * 1032 + 65536;
    }

    // A deflated part in one go with libdeflate, several times faster than zlib through libzip:
    // into a buffer of exactly the size the directory claims, which must be within the bounds
    // and what the compressed size can give, and must come out whole, with the CRC it claims.
    bool sgonfia(zip_uint64_t k, const zip_stat_t& st, zip_uint64_t limite, QByteArray& dati) {
        if (st.size > limite) {
            troppo = true;
            return false;
        }
        if (st.size > Possibile(st.comp_size) || st.comp_size > zip_uint64_t(kMaxFileCompresso)) return false;
        zip_file_t* f = zip_fopen_index(z, k, ZIP_FL_COMPRESSED);
        if (!f) return false;
        QByteArray compressi(qsizetype(st.comp_size), Qt::Uninitialized);
        const zip_int64_t n = zip_fread(f, compressi.data(), st.comp_size);
        zip_fclose(f);
        if (n != zip_int64_t(st.comp_size)) return false;
        if (!inflatore) inflatore = libdeflate_alloc_decompressor();
        if (!inflatore) return false;
        dati.resize(qsizetype(st.size));
        size_t usciti = 0;
        const libdeflate_result esito = libdeflate_deflate_decompress(inflatore, compressi.constData(), size_t(n),
                                                                       dati.data(), size_t(st.size), &usciti);
        if (esito != LIBDEFLATE_SUCCESS || usciti != st.size ||
            libdeflate_crc32(0, dati.constData(), size_t(st.size)) != st.crc) {
            dati.clear();
            return false;
        }
        letti += qint64(st.size);
        return true;
    }

    zip_t* z = nullptr;
    libdeflate_decompressor* inflatore = nullptr;
    qint64 letti = 0;
};

QString Errore(Zip& zip, const char* formato) {
    if (zip.troppo) return QStringLiteral("il file %1 è troppo grande una volta decompresso").arg(QLatin1String(formato));
    return QStringLiteral("il file non è un foglio %1 leggibile").arg(QLatin1String(formato));
}

// "2024-03-15" or "2024-03-15T10:30:00" as the table shows dates.
QString DataIso(const QString& iso) {
    const QString giorno = iso.left(10);
    const QDate d = QDate::fromString(giorno, Qt::ISODate);
    if (!d.isValid()) return iso;
    QString t = d.toString(QStringLiteral("dd/MM/yyyy"));
    const QString ora = iso.mid(11, 8);
    if (ora.size() == 8 && ora != QStringLiteral("00:00:00")) t += u' ' + ora;
    return t;
}

// An attribute by its local name, whatever prefix the file gives its namespace.
QStringView Attr(const QXmlStreamAttributes& a, const char* nome) {
    for (const QXmlStreamAttribute& at : a)
        if (at.name() == QLatin1String(nome)) return at.value();
    return {};
}

bool Vero(QStringView v) { return v == u"1" || v == u"true"; }

// ---------------------------------------------------------------- xlsx

struct Stili {
    QVector<quint8> xf;  // per cell XF: 1 date, 2 time
};

void LeggiStili(const QByteArray& dati, Stili& st) {
    QHash<int, QString> formati;
    QXmlStreamReader x(dati);
    bool celle = false;
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::StartElement) {
            if (x.name() == u"numFmt") {
                formati.insert(Attr(x.attributes(), "numFmtId").toInt(), Attr(x.attributes(), "formatCode").toString());
            } else if (x.name() == u"cellXfs") {
                celle = true;
            } else if (celle && x.name() == u"xf" && st.xf.size() < 65536) {
                const int f = Attr(x.attributes(), "numFmtId").toInt();
                bool data = (f >= 14 && f <= 22) || (f >= 45 && f <= 47), ora = f >= 18 && f <= 22;
                if (formati.contains(f)) TipoFormato(formati.value(f), data, ora);
                st.xf.append(quint8((data ? 1 : 0) | (ora ? 2 : 0)));
            }
        } else if (t == QXmlStreamReader::EndElement && x.name() == u"cellXfs") {
            celle = false;
        }
    }
}

// The texts of the large parts are gathered as UTF-8 up to four bytes for each character a cell
// may hold, and cut to that afterwards.
constexpr qsizetype kMaxTestoByte = 4 * 32768;

QByteArrayView Rifilato(QByteArrayView v) {
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t' || v.front() == '\n' || v.front() == '\r')) v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\n' || v.back() == '\r')) v.chop(1);
    return v;
}

// Whole-text numbers, as QString::toLongLong and toDouble take them; 0 and false otherwise.
bool Intero(QByteArrayView v, qint64& n) {
    v = Rifilato(v);
    if (v.startsWith('+')) v = v.sliced(1);
    n = 0;
    const auto [fine, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || fine != v.data() + v.size() || v.isEmpty()) {
        n = 0;
        return false;
    }
    return true;
}

bool Decimale(QByteArrayView v, double& x) {
    v = Rifilato(v);
    if (v.startsWith('+')) v = v.sliced(1);
    x = 0;
    const auto [fine, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    return ec == std::errc() && fine == v.data() + v.size() && !v.isEmpty();
}

bool Vero(QByteArrayView v) { return v == "1" || v == "true"; }

// "AB12" → column 27, row 11 (from 0); false for anything else.
bool Riferimento(QByteArrayView r, qint64& riga, qint64& colonna) {
    qint64 c = 0, n = 0;
    qsizetype k = 0;
    for (; k < r.size() && k < 4; ++k) {
        char l = r[k];
        if (l >= 'a' && l <= 'z') l = char(l - 'a' + 'A');
        if (l < 'A' || l > 'Z') break;
        c = c * 26 + (l - 'A' + 1);
    }
    if (k == 0 || k == r.size()) return false;
    for (; k < r.size(); ++k) {
        if (r[k] < '0' || r[k] > '9' || n > 10'000'000) return false;
        n = n * 10 + (r[k] - '0');
    }
    if (n < 1) return false;
    riga = n - 1;
    colonna = c - 1;
    return true;
}

// The shared strings stay UTF-8, as the sheet hands them over; they may point into dati.
QList<QByteArray> LeggiTesti(QByteArrayView dati) {
    QList<QByteArray> sst;
    ScansioneXml x(dati);
    QByteArray t;
    for (;;) {
        const auto e = x.avanti();
        if (e == ScansioneXml::Fine || e == ScansioneXml::Guasto) break;
        if (e != ScansioneXml::Apertura || !x.nome("si")) continue;
        t.clear();
        const bool ok = x.testoElemento(t, kMaxTestoByte, {"rPh"});
        // May share the bytes of the part, which the caller keeps.
        sst.append(t);
        // No sheet refers to more strings than it has cells.
        if (!ok || sst.size() >= FoglioLetto::kMaxCelle) break;
    }
    return sst;
}

bool LeggiFoglioXlsx(QByteArrayView dati, const QList<QByteArray>& sst, const Stili& st, bool dal1904, FoglioLetto& foglio) {
    ScansioneXml x(dati);
    qint64 riga = -1, colonna = -1;
    QByteArray a, tipo, valore, inlinea;
    for (;;) {
        const auto e = x.avanti();
        if (e == ScansioneXml::Fine || e == ScansioneXml::Guasto) break;
        if (e != ScansioneXml::Apertura) continue;
        if (x.nome("row")) {
            qint64 r = 0;
            if (x.attributo("r", a)) Intero(a, r);
            riga = r >= 1 ? std::min(r, kMaxIndice) - 1 : std::min(riga + 1, kMaxIndice);
            colonna = -1;
            continue;
        }
        if (!x.nome("c")) continue;
        qint64 r = riga, c = colonna + 1;
        if (x.attributo("r", a) && !Riferimento(a, r, c)) {
            r = riga;
            c = colonna + 1;
        }
        riga = std::clamp<qint64>(r, 0, kMaxIndice);
        colonna = std::min(c, kMaxIndice);
        x.attributo("t", tipo);
        qint64 stile = 0;
        if (x.attributo("s", a)) Intero(a, stile);
        valore.clear();
        inlinea.clear();
        bool haValore = false;
        const int livello = x.profondita();
        for (;;) {
            const auto u = x.avanti();
            if (u == ScansioneXml::Fine || u == ScansioneXml::Guasto) break;
            if (u == ScansioneXml::Chiusura && x.profondita() < livello) break;
            if (u != ScansioneXml::Apertura) continue;
            if (x.nome("v")) {
                valore.clear();
                x.testoElemento(valore, kMaxTestoByte);
                haValore = true;
            } else if (x.nome("is")) {
                inlinea.clear();
                x.testoElemento(inlinea, kMaxTestoByte, {"rPh"});
            } else {
                x.salta();
            }
        }
        // Compared inline: the library's comparison is a call per cell and type.
        const auto di = [&tipo](const char* t) { return ScansioneXml::Uguale(tipo, t); };
        if (di("inlineStr")) {
            foglio.testoUtf8(riga, colonna, inlinea);
        } else if (!haValore) {
            continue;
        } else if (di("s")) {
            qint64 k = 0;
            if (Intero(valore, k) && k >= 0 && k < sst.size()) foglio.testoUtf8(riga, colonna, sst[qsizetype(k)]);
        } else if (di("str")) {
            foglio.testoUtf8(riga, colonna, valore);
        } else if (di("b")) {
            foglio.testoUtf8(riga, colonna, Vero(Rifilato(valore)) ? "VERO" : "FALSO");
        } else if (di("d")) {
            foglio.testo(riga, colonna, DataIso(QString::fromUtf8(Rifilato(valore))));
        } else if (!di("e")) {
            double v = 0;
            if (!Decimale(valore, v)) continue;
            const quint8 genere = stile >= 0 && stile < st.xf.size() ? st.xf[qsizetype(stile)] : 0;
            const QString data = (genere & 1) ? TestoData(v, dal1904, genere & 2) : QString();
            if (!data.isEmpty())
                foglio.testo(riga, colonna, data);
            else
                foglio.numero(riga, colonna, v);
        }
        if (foglio.troppoGrande()) return false;
    }
    return !x.guasto() || foglio.righe() > 0;
}

// ---------------------------------------------------------------- ods

// A cell's shown text: its paragraphs, with text:s spaces, tabs and line breaks, without notes.
void TestoCellaOds(ScansioneXml& x, QByteArray& t) {
    const int livello = x.profondita();
    bool primo = true;
    auto spazi = [&](qint64 n) { t.append(QByteArray(qsizetype(std::clamp<qint64>(n, 0, kMaxTestoByte - t.size())), ' ')); };
    QByteArray a;
    for (;;) {
        switch (x.avanti()) {
        case ScansioneXml::Apertura:
            if (x.nome("annotation") || x.nome("note")) {
                x.salta();
            } else if (x.nome("p") || x.nome("h")) {
                if (!primo) spazi(1);
                primo = false;
            } else if (x.nome("s")) {
                qint64 c = 1;
                if (x.attributo("c", a)) Intero(a, c);
                spazi(std::clamp<qint64>(c, 1, 1000));
            } else if (x.nome("tab") || x.nome("line-break")) {
                spazi(1);
            }
            break;
        case ScansioneXml::Chiusura:
            if (x.profondita() < livello) return;
            break;
        case ScansioneXml::Testo:
            x.testo(t, kMaxTestoByte);
            break;
        default:
            return;
        }
    }
}

struct CellaOds {
    bool numero = false;
    double v = 0;
    QByteArray t;  // UTF-8
};

// Reads the table the scanner stands on into foglio.
bool TabellaOds(ScansioneXml& x, FoglioLetto& foglio) {
    qint64 riga = 0;
    QVector<std::pair<qint64, CellaOds>> celle;  // column, value of the row being read
    const int livelloTabella = x.profondita();
    QByteArray a, tipo, testo;
    for (;;) {
        auto e = x.avanti();
        if (e == ScansioneXml::Fine || e == ScansioneXml::Guasto) break;
        if (e == ScansioneXml::Chiusura && x.profondita() < livelloTabella) break;
        if (e != ScansioneXml::Apertura) continue;
        if (x.nome("table")) {  // a table inside a cell's drawing: not ours
            x.salta();
            continue;
        }
        if (!x.nome("table-row")) continue;
        qint64 ripetute = 1;
        if (x.attributo("number-rows-repeated", a)) Intero(a, ripetute);
        ripetute = std::clamp<qint64>(ripetute, 1, kMaxIndice);
        celle.clear();
        qint64 colonna = 0;
        const int livelloRiga = x.profondita();
        for (;;) {
            const auto u = x.avanti();
            if (u == ScansioneXml::Fine || u == ScansioneXml::Guasto) break;
            if (u == ScansioneXml::Chiusura && x.profondita() < livelloRiga) break;
            if (u != ScansioneXml::Apertura) continue;
            if (!x.nome("table-cell") && !x.nome("covered-table-cell")) {
                x.salta();
                continue;
            }
            qint64 n = 1;
            if (x.attributo("number-columns-repeated", a)) Intero(a, n);
            n = std::clamp<qint64>(n, 1, kMaxIndice);
            x.attributo("value-type", tipo);
            CellaOds c;
            bool piena = true;
            const auto di = [&tipo](const char* t) { return ScansioneXml::Uguale(tipo, t); };
            if (di("float") || di("percentage") || di("currency")) {
                x.attributo("value", a);
                c.numero = Decimale(a, c.v);
                x.salta();
                piena = c.numero;
            } else if (di("date")) {
                x.attributo("date-value", a);
                c.t = DataIso(QString::fromUtf8(a)).toUtf8();
                x.salta();
            } else if (di("boolean")) {
                x.attributo("boolean-value", a);
                c.t = Vero(a) ? "VERO" : "FALSO";
                x.salta();
            } else if (x.attributo("string-value", a)) {
                c.t = a;  // may point into the content, which outlives the row
                x.salta();
            } else {
                testo.clear();
                TestoCellaOds(x, testo);
                c.t = testo;
            }
            piena = piena && (c.numero || !c.t.isEmpty());
            if (piena)
                for (qint64 k = 0; k < n && colonna + k < foglio.maxColonne(); ++k) celle.append({colonna + k, c});
            colonna = std::min(colonna + n, kMaxIndice);
        }
        if (!celle.isEmpty()) {
            for (qint64 k = 0; k < ripetute && riga + k < foglio.maxRighe(); ++k) {
                for (const auto& [col, c] : celle) {
                    if (c.numero)
                        foglio.numero(riga + k, col, c.v);
                    else
                        foglio.testoUtf8(riga + k, col, c.t);
                }
                if (foglio.troppoGrande()) return false;
            }
        }
        riga = std::min(riga + ripetute, kMaxIndice);
    }
    return true;
}

}  // namespace

bool LeggiXlsx(const QByteArray& file, FoglioLetto& foglio, QString& errore) {
    Zip zip(file);
    if (!zip.aperto()) {
        errore = QStringLiteral("il file è danneggiato o non è un foglio .xlsx");
        return false;
    }
    QByteArray dati;
    if (!zip.parte(QStringLiteral("xl/workbook.xml"), dati)) {
        errore = Errore(zip, ".xlsx");
        return false;
    }
    // The sheets in tab order, the one shown first, the date system.
    QStringList id;
    int attivo = 0;
    bool dal1904 = false;
    {
        QXmlStreamReader x(dati);
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement) continue;
            const QXmlStreamAttributes a = x.attributes();
            if (x.name() == u"sheet") {
                QString r;
                for (const QXmlStreamAttribute& at : a)
                    if (at.name() == u"id") r = at.value().toString();
                id.append(r);
            } else if (x.name() == u"workbookView") {
                attivo = Attr(a, "activeTab").toInt();
            } else if (x.name() == u"workbookPr") {
                dal1904 = Vero(Attr(a, "date1904"));
            }
        }
    }
    QString percorso = QStringLiteral("xl/worksheets/sheet1.xml");
    if (attivo < 0 || attivo >= id.size()) attivo = 0;
    if (!id.isEmpty() && zip.parte(QStringLiteral("xl/_rels/workbook.xml.rels"), dati)) {
        QXmlStreamReader x(dati);
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"Relationship") continue;
            if (Attr(x.attributes(), "Id") != id[attivo]) continue;
            const QString bersaglio = Attr(x.attributes(), "Target").toString();
            percorso = bersaglio.startsWith(u'/') ? bersaglio.mid(1) : QStringLiteral("xl/") + bersaglio;
        }
    }
    QByteArray testi;  // outlives sst, which points into it
    QList<QByteArray> sst;
    if (zip.parte(QStringLiteral("xl/sharedStrings.xml"), testi)) sst = LeggiTesti(testi);
    Stili st;
    if (zip.parte(QStringLiteral("xl/styles.xml"), dati)) LeggiStili(dati, st);
    if (zip.troppo || !zip.parte(percorso, dati)) {
        errore = Errore(zip, ".xlsx");
        return false;
    }
    if (!LeggiFoglioXlsx(dati, sst, st, dal1904, foglio)) {
        errore = foglio.troppoGrande() ? QStringLiteral("il foglio ha troppe celle") : Errore(zip, ".xlsx");
        return false;
    }
    return true;
}

bool LeggiOds(const QByteArray& file, FoglioLetto& foglio, QString& errore) {
    Zip zip(file);
    QByteArray dati;
    if (!zip.aperto()) {
        errore = QStringLiteral("il file è danneggiato o non è un foglio .ods");
        return false;
    }
    // The sheet shown when the file was saved, by name.
    QString attivo;
    if (zip.parte(QStringLiteral("settings.xml"), dati)) {
        QXmlStreamReader x(dati);
        while (!x.atEnd()) {
            if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"config-item" &&
                Attr(x.attributes(), "name") == u"ActiveTable") {
                attivo = x.readElementText();
                break;
            }
        }
    }
    if (zip.troppo || !zip.parte(QStringLiteral("content.xml"), dati)) {
        errore = Errore(zip, ".ods");
        return false;
    }
    const QByteArray nomeAttivo = attivo.toUtf8();
    QByteArray nome;
    for (int giro = 0; giro < 2; ++giro) {
        ScansioneXml x(dati);
        for (;;) {
            const auto e = x.avanti();
            if (e == ScansioneXml::Fine || e == ScansioneXml::Guasto) break;
            if (e != ScansioneXml::Apertura || !x.nome("table")) continue;
            x.attributo("name", nome);
            if (giro == 0 && !attivo.isEmpty() && nome != nomeAttivo) {
                x.salta();
                continue;
            }
            if (!TabellaOds(x, foglio)) {
                errore = foglio.troppoGrande() ? QStringLiteral("il foglio ha troppe celle") : Errore(zip, ".ods");
                return false;
            }
            return true;
        }
        if (x.guasto() || attivo.isEmpty()) break;
    }
    errore = QStringLiteral("il file .ods non contiene fogli leggibili");
    return false;
}

bool LeggiCartellaZip(const QByteArray& file, FoglioLetto& foglio, QString& errore) {
    Zip zip(file);
    if (zip.ha(QStringLiteral("content.xml")) && !zip.ha(QStringLiteral("xl/workbook.xml")))
        return LeggiOds(file, foglio, errore);
    return LeggiXlsx(file, foglio, errore);
}

}  // namespace gm
