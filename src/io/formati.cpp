#include "io/formati.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "io/file_testo.h"
#include "io/ov2.h"
#include "io/xls.h"

namespace gm {

namespace {
const QString kCrLf = QStringLiteral("\r\n");

class FormatoTxt final : public FormatoUscita {
public:
    QString nome() const override { return QStringLiteral("Testo"); }
    QString estensione() const override { return QStringLiteral("txt"); }
    bool perRegione() const override { return false; }
    bool scrivi(const QVector<Record>& righe, const ContestoUscita& c, QByteArray& dati, QString&) const override {
        dati.clear();
        dati.reserve(righe.size() * 80);
        for (const QString& l : c.intestazione) dati += CodificaWin1252(u';' + l + kCrLf);
        // Every line is a record but the title row, marked as a comment for the reader.
        QString riga;
        bool prima = true;
        for (const Record& r : righe) {
            riga.clear();
            if (prima) riga += u';';
            prima = false;
            for (const QString& cella : r) riga += cella + u'\t';
            riga += kCrLf;
            dati += CodificaWin1252(riga);
        }
        return true;
    }
};

class FormatoXls final : public FormatoUscita {
public:
    QString nome() const override { return QStringLiteral("Excel"); }
    QString estensione() const override { return QStringLiteral("xls"); }
    bool perRegione() const override { return false; }
    bool scrivi(const QVector<Record>& righe, const ContestoUscita&, QByteArray& dati, QString& errore) const override {
        QVector<QStringList> celle;
        celle.reserve(righe.size());
        for (const Record& r : righe) celle.append(QStringList(r.begin(), r.end()));
        dati = CartellaXls(celle, &errore);
        return !dati.isEmpty();
    }
};

class FormatoOv2 final : public FormatoUscita {
public:
    QString nome() const override { return QStringLiteral("TomTom"); }
    QString estensione() const override { return QStringLiteral("ov2"); }
    bool perRegione() const override { return true; }
    bool conIcona() const override { return true; }
    bool scrivi(const QVector<Record>& righe, const ContestoUscita& c, QByteArray& dati, QString&) const override {
        PuntiOV2 punti;
        punti.punti.reserve(righe.size());
        punti.byte.reserve(righe.size() * 64);
        for (const Record& r : righe) punti.aggiungi(r, c.categoria, c.parole);
        dati = c.ov2Semplice ? FileOV2Semplice(punti) : FileOV2Indicizzato(punti);
        return true;
    }
};

// Degrees from 1e-5 degree, with exactly five decimals: the very point of the OV2 file.
void Gradi(QByteArray& out, qint32 v) {
    const qint64 a = std::llabs(qint64(v));
    char buf[24];
    char* p = buf;
    if (v < 0) *p++ = '-';
    p = std::to_chars(p, buf + sizeof buf, a / 100000).ptr;
    *p++ = '.';
    for (qint64 resto = a % 100000, d = 10000; d > 0; d /= 10) *p++ = char('0' + (resto / d) % 10);
    out.append(buf, p - buf);
}

// Text as XML 1.0 carries it, appended as UTF-8: control characters, lone surrogates and
// U+FFFE/U+FFFF become "?", and the characters QXmlStreamWriter escapes are escaped alike.
void TestoXml(QByteArray& out, QStringView s) {
    const qsizetype inizio = out.size();
    out.resize(inizio + 6 * s.size());  // "&quot;" is the longest a unit can become
    char* p = out.data() + inizio;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i].unicode();
        if (u < 0x80) {
            switch (u) {
            case u'<': p = std::copy_n("&lt;", 4, p); break;
            case u'>': p = std::copy_n("&gt;", 4, p); break;
            case u'&': p = std::copy_n("&amp;", 5, p); break;
            case u'"': p = std::copy_n("&quot;", 6, p); break;
            default: *p++ = (u >= 0x20 || u == 0x09 || u == 0x0A || u == 0x0D) ? char(u) : '?';
            }
        } else if (u < 0x800) {
            *p++ = char(0xC0 | (u >> 6));
            *p++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
            const char32_t c = QChar::surrogateToUcs4(u, s[++i].unicode());
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(u) || u >= 0xFFFE) {
            *p++ = '?';
        } else {
            *p++ = char(0xE0 | (u >> 12));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        }
    }
    out.truncate(p - out.constData());
}

// An element holding text, on a line of its own at that depth.
void Elemento(QByteArray& out, int livello, const char* nome, QStringView testo) {
    out.append('\n').append(QByteArray(livello, ' ')).append('<').append(nome).append('>');
    TestoXml(out, testo);
    out.append("</").append(nome).append('>');
}

// GPX and KML: the same points as the OV2 file, under their full name and address. Written
// straight as UTF-8, laid out as QXmlStreamWriter lays out with one blank of indent; a writer
// object costs several times more for nothing these files need.
class FormatoMappa : public FormatoUscita {
public:
    bool perRegione() const override { return true; }
    bool scrivi(const QVector<Record>& righe, const ContestoUscita& c, QByteArray& dati, QString&) const override {
        dati = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
        dati.reserve(righe.size() * 280 + 512);
        apri(dati, c.categoria, c.attribuzioni.join(QStringLiteral("; ")));
        for (const Record& r : righe)
            if (const std::optional<PosizioneOV2> p = PosizionePunto(r)) punto(dati, p->y, p->x, QStringView(r[kNome]).trimmed(), DescrizionePunto(r));
        chiudi(dati);
        return true;
    }

protected:
    // diritti: the sources' notices, empty when none is asked for.
    virtual void apri(QByteArray& out, const QString& titolo, const QString& diritti) const = 0;
    virtual void punto(QByteArray& out, qint32 lat, qint32 lon, QStringView nome, const QString& descrizione) const = 0;
    virtual void chiudi(QByteArray& out) const = 0;
};

class FormatoGpx final : public FormatoMappa {
public:
    QString nome() const override { return QStringLiteral("GPX"); }
    QString estensione() const override { return QStringLiteral("gpx"); }

protected:
    void apri(QByteArray& out, const QString& titolo, const QString& diritti) const override {
        out.append("\n<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\" creator=\"Geomerce\">\n <metadata>");
        Elemento(out, 2, "name", titolo);
        if (!diritti.isEmpty()) Elemento(out, 2, "desc", diritti);
        out.append("\n </metadata>");
    }
    void punto(QByteArray& out, qint32 lat, qint32 lon, QStringView nome, const QString& descrizione) const override {
        out.append("\n <wpt lat=\"");
        Gradi(out, lat);
        out.append("\" lon=\"");
        Gradi(out, lon);
        out.append("\">");
        Elemento(out, 2, "name", nome);
        Elemento(out, 2, "desc", descrizione);
        out.append("\n </wpt>");
    }
    void chiudi(QByteArray& out) const override { out.append("\n</gpx>\n"); }
};

class FormatoKml final : public FormatoMappa {
public:
    QString nome() const override { return QStringLiteral("KML"); }
    QString estensione() const override { return QStringLiteral("kml"); }

protected:
    void apri(QByteArray& out, const QString& titolo, const QString& diritti) const override {
        out.append("\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n <Document>");
        Elemento(out, 2, "name", titolo);
        if (!diritti.isEmpty()) Elemento(out, 2, "description", diritti);
    }
    void punto(QByteArray& out, qint32 lat, qint32 lon, QStringView nome, const QString& descrizione) const override {
        out.append("\n  <Placemark>");
        Elemento(out, 3, "name", nome);
        Elemento(out, 3, "description", descrizione);
        out.append("\n   <Point>\n    <coordinates>");
        Gradi(out, lon);
        out.append(',');
        Gradi(out, lat);
        out.append("</coordinates>\n   </Point>\n  </Placemark>");
    }
    void chiudi(QByteArray& out) const override { out.append("\n </Document>\n</kml>\n"); }
};
}  // namespace

QString DescrizionePunto(const Record& r) {
    const QString indirizzo = r[kIndirizzo].trimmed(), cap = r[kCap].trimmed(), citta = r[kCitta].trimmed(),
                  pr = r[kPr].trimmed(), tel = r[kTelefono].trimmed();
    QString d;
    const auto parte = [&d](const QString& separatore, const QString& testo) {
        if (testo.isEmpty()) return;
        if (!d.isEmpty()) d += separatore;
        d += testo;
    };
    parte(QString(), indirizzo);
    // "CAP Town (PR)" as one part.
    const bool luogo = !cap.isEmpty() || !citta.isEmpty() || !pr.isEmpty();
    if (luogo && !d.isEmpty()) d += QStringLiteral(" - ");
    const qsizetype inizioLuogo = d.size();
    const auto nelLuogo = [&](const QString& testo) {
        if (testo.isEmpty()) return;
        if (d.size() > inizioLuogo) d += u' ';
        d += testo;
    };
    nelLuogo(cap);
    nelLuogo(citta);
    if (!pr.isEmpty()) nelLuogo(u'(' + pr + u')');
    if (!tel.isEmpty()) parte(QStringLiteral(" - "), QStringLiteral("Tel. ") + tel);
    return d;
}

const std::array<const FormatoUscita*, kFormatiUscita>& FormatiUscita() {
    static const FormatoOv2 ov2;
    static const FormatoXls xls;
    static const FormatoTxt txt;
    static const FormatoGpx gpx;
    static const FormatoKml kml;
    static const std::array<const FormatoUscita*, kFormatiUscita> formati{&ov2, &xls, &txt, &gpx, &kml};
    return formati;
}

int IndiceFormato(const QString& estensione) {
    for (int i = 0; i < kFormatiUscita; ++i)
        if (FormatiUscita()[i]->estensione().compare(estensione.trimmed(), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

}  // namespace gm
