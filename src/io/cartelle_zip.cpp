// The active sheet of Office Open XML (.xlsx) and OpenDocument (.ods) workbooks: a zip container
// (libzip) of XML parts (QXmlStreamReader). Every part is read with a bound on its uncompressed
// size, whatever its header claims, so a small file cannot unpack into gigabytes.
#include <zip.h>

#include "io/fogli.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QXmlStreamReader>

#include <memory>

namespace gm {

namespace {

constexpr qint64 kMaxParte = 256LL * 1024 * 1024;
constexpr qint64 kMaxTotale = 512LL * 1024 * 1024;
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
    }
    bool aperto() const { return z != nullptr; }
    bool ha(const QString& nome) const { return z && zip_name_locate(z, nome.toUtf8().constData(), 0) >= 0; }
    // The part's bytes; false when it is missing, damaged or too large (troppo is then set).
    bool parte(const QString& nome, QByteArray& dati) {
        dati.clear();
        if (!z) return false;
        const zip_int64_t k = zip_name_locate(z, nome.toUtf8().constData(), 0);
        if (k < 0) return false;
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(k), 0);
        if (!f) return false;
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
    zip_t* z = nullptr;
    qint64 letti = 0;
};

QString Errore(Zip& zip, const char* formato) {
    if (zip.troppo) return QStringLiteral("il file %1 è troppo grande una volta decompresso").arg(QLatin1String(formato));
    return QStringLiteral("il file non è un foglio %1 leggibile").arg(QLatin1String(formato));
}

// The text of the element the reader stands on, with the text of all its descendants except those
// named in salta (phonetic runs, notes).
QString TestoElemento(QXmlStreamReader& x, std::initializer_list<QStringView> salta = {}) {
    QString t;
    int livello = 1;
    while (livello > 0 && !x.atEnd()) {
        switch (x.readNext()) {
        case QXmlStreamReader::StartElement: {
            bool via = false;
            for (QStringView s : salta) via = via || x.name() == s;
            if (via) {
                x.skipCurrentElement();
                break;
            }
            ++livello;
            break;
        }
        case QXmlStreamReader::EndElement:
            --livello;
            break;
        case QXmlStreamReader::Characters:
            t += x.text();
            break;
        default:
            break;
        }
    }
    return t;
}

// "AB12" → column 27, row 11 (from 0); false for anything else.
bool Riferimento(QStringView r, qint64& riga, qint64& colonna) {
    qint64 c = 0, n = 0;
    int k = 0;
    while (k < r.size() && r[k].isLetter() && r[k].unicode() < 0x80 && k < 4) c = c * 26 + (r[k++].toUpper().unicode() - 'A' + 1);
    if (k == 0 || k == r.size()) return false;
    for (; k < r.size(); ++k) {
        if (r[k] < u'0' || r[k] > u'9' || n > 10'000'000) return false;
        n = n * 10 + (r[k].unicode() - '0');
    }
    if (n < 1) return false;
    riga = n - 1;
    colonna = c - 1;
    return true;
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

QStringList LeggiTesti(const QByteArray& dati) {
    QStringList sst;
    QXmlStreamReader x(dati);
    while (!x.atEnd()) {
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"si") sst.append(TestoElemento(x, {u"rPh"}));
    }
    return sst;
}

bool LeggiFoglioXlsx(const QByteArray& dati, const QStringList& sst, const Stili& st, bool dal1904, FoglioLetto& foglio) {
    QXmlStreamReader x(dati);
    qint64 riga = -1, colonna = -1;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement) continue;
        if (x.name() == u"row") {
            const qint64 r = Attr(x.attributes(), "r").toLongLong();
            riga = r >= 1 ? std::min(r, kMaxIndice) - 1 : std::min(riga + 1, kMaxIndice);
            colonna = -1;
            continue;
        }
        if (x.name() != u"c") continue;
        const QXmlStreamAttributes a = x.attributes();
        qint64 r = riga, c = colonna + 1;
        if (!Attr(a, "r").isNull() && !Riferimento(Attr(a, "r"), r, c)) {
            r = riga;
            c = colonna + 1;
        }
        riga = std::clamp<qint64>(r, 0, kMaxIndice);
        colonna = std::min(c, kMaxIndice);
        const QString tipo = Attr(a, "t").toString();
        const int stile = Attr(a, "s").toInt();
        QString valore, inlinea;
        bool haValore = false;
        while (!x.atEnd()) {
            const auto t = x.readNext();
            if (t == QXmlStreamReader::EndElement && x.name() == u"c") break;
            if (t != QXmlStreamReader::StartElement) continue;
            if (x.name() == u"v") {
                valore = x.readElementText(QXmlStreamReader::IncludeChildElements);
                haValore = true;
            } else if (x.name() == u"is") {
                inlinea = TestoElemento(x, {u"rPh"});
            } else {
                x.skipCurrentElement();
            }
        }
        if (tipo == u"inlineStr") {
            foglio.testo(riga, colonna, inlinea);
        } else if (!haValore) {
            continue;
        } else if (tipo == u"s") {
            bool ok = false;
            const qint64 k = valore.trimmed().toLongLong(&ok);
            if (ok && k >= 0 && k < sst.size()) foglio.testo(riga, colonna, sst[int(k)]);
        } else if (tipo == u"str") {
            foglio.testo(riga, colonna, valore);
        } else if (tipo == u"b") {
            foglio.testo(riga, colonna, Vero(valore.trimmed()) ? QStringLiteral("VERO") : QStringLiteral("FALSO"));
        } else if (tipo == u"d") {
            foglio.testo(riga, colonna, DataIso(valore.trimmed()));
        } else if (tipo != u"e") {
            bool ok = false;
            const double v = valore.trimmed().toDouble(&ok);
            if (!ok) continue;
            const quint8 genere = stile >= 0 && stile < st.xf.size() ? st.xf[stile] : 0;
            const QString data = (genere & 1) ? TestoData(v, dal1904, genere & 2) : QString();
            if (!data.isEmpty())
                foglio.testo(riga, colonna, data);
            else
                foglio.numero(riga, colonna, v);
        }
        if (foglio.troppoGrande()) return false;
    }
    return !x.hasError() || x.error() == QXmlStreamReader::PrematureEndOfDocumentError || foglio.righe() > 0;
}

// ---------------------------------------------------------------- ods

// A cell's shown text: its paragraphs, with text:s spaces, tabs and line breaks, without notes.
QString TestoCellaOds(QXmlStreamReader& x) {
    QString t;
    int livello = 1;
    bool primo = true;
    while (livello > 0 && !x.atEnd()) {
        switch (x.readNext()) {
        case QXmlStreamReader::StartElement:
            if (x.name() == u"annotation" || x.name() == u"note") {
                x.skipCurrentElement();
                break;
            }
            ++livello;
            if (x.name() == u"p" || x.name() == u"h") {
                if (!primo) t += u' ';
                primo = false;
            } else if (x.name() == u"s") {
                const int c = std::clamp(Attr(x.attributes(), "c").toInt(), 1, 1000);
                t += QString(c, u' ');
            } else if (x.name() == u"tab" || x.name() == u"line-break") {
                t += u' ';
            }
            break;
        case QXmlStreamReader::EndElement:
            --livello;
            break;
        case QXmlStreamReader::Characters:
            if (t.size() < 65536) t += x.text();
            break;
        default:
            break;
        }
    }
    return t;
}

struct CellaOds {
    bool numero = false;
    double v = 0;
    QString t;
};

// Reads the table the reader stands on into foglio.
bool TabellaOds(QXmlStreamReader& x, FoglioLetto& foglio) {
    qint64 riga = 0;
    QVector<std::pair<qint64, CellaOds>> celle;  // column, value of the row being read
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::EndElement && x.name() == u"table") break;
        if (t != QXmlStreamReader::StartElement) continue;
        if (x.name() == u"table" ) {  // a table inside a cell's drawing: not ours
            x.skipCurrentElement();
            continue;
        }
        if (x.name() != u"table-row") continue;
        const qint64 ripetute = std::clamp<qint64>(Attr(x.attributes(), "number-rows-repeated").toLongLong(), 1, kMaxIndice);
        celle.clear();
        qint64 colonna = 0;
        while (!x.atEnd()) {
            const auto u = x.readNext();
            if (u == QXmlStreamReader::EndElement && x.name() == u"table-row") break;
            if (u != QXmlStreamReader::StartElement) continue;
            if (x.name() != u"table-cell" && x.name() != u"covered-table-cell") {
                x.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes a = x.attributes();
            const qint64 n = std::clamp<qint64>(Attr(a, "number-columns-repeated").toLongLong(), 1, kMaxIndice);
            const QString tipo = Attr(a, "value-type").toString();
            CellaOds c;
            bool piena = true;
            if (tipo == u"float" || tipo == u"percentage" || tipo == u"currency") {
                bool ok = false;
                c.v = Attr(a, "value").toDouble(&ok);
                c.numero = ok;
                x.skipCurrentElement();
                piena = ok;
            } else if (tipo == u"date") {
                c.t = DataIso(Attr(a, "date-value").toString());
                x.skipCurrentElement();
            } else if (tipo == u"boolean") {
                c.t = Vero(Attr(a, "boolean-value")) ? QStringLiteral("VERO") : QStringLiteral("FALSO");
                x.skipCurrentElement();
            } else if (!Attr(a, "string-value").isNull()) {
                c.t = Attr(a, "string-value").toString();
                x.skipCurrentElement();
            } else {
                c.t = TestoCellaOds(x);
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
                        foglio.testo(riga + k, col, c.t);
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
    QStringList sst;
    if (zip.parte(QStringLiteral("xl/sharedStrings.xml"), dati)) sst = LeggiTesti(dati);
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
    for (int giro = 0; giro < 2; ++giro) {
        QXmlStreamReader x(dati);
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"table") continue;
            if (giro == 0 && !attivo.isEmpty() && Attr(x.attributes(), "name") != attivo) {
                x.skipCurrentElement();
                continue;
            }
            if (!TabellaOds(x, foglio)) {
                errore = foglio.troppoGrande() ? QStringLiteral("il foglio ha troppe celle") : Errore(zip, ".ods");
                return false;
            }
            return true;
        }
        if (x.hasError() && x.error() != QXmlStreamReader::PrematureEndOfDocumentError) break;
        if (attivo.isEmpty()) break;
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
