#include "io/formati.h"

#include <QXmlStreamWriter>

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
QString Gradi(qint32 v) {
    const qint64 a = std::llabs(qint64(v));
    return (v < 0 ? QStringLiteral("-") : QString()) + QString::number(a / 100000) + u'.' +
           QString::number(a % 100000).rightJustified(5, u'0');
}

// XML 1.0 carries no control characters, lone surrogates or U+FFFE/U+FFFF: they become "?".
QString TestoXml(const QString& s) {
    QString t;
    const int n = int(s.size());
    for (int i = 0; i < n; ++i) {
        const char16_t u = s[i].unicode();
        bool valido = (u >= 0x20 && u < 0xD800) || u == 0x09 || u == 0x0A || u == 0x0D || (u >= 0xE000 && u < 0xFFFE);
        int lunghezza = 1;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
            valido = true;
            lunghezza = 2;
        }
        if (!valido && t.isNull()) t = s.left(i);
        if (!t.isNull()) t += valido ? s.mid(i, lunghezza) : QStringLiteral("?");
        i += lunghezza - 1;
    }
    return t.isNull() ? s : t;
}

// GPX and KML: the same points as the OV2 file, under their full name and address.
class FormatoMappa : public FormatoUscita {
public:
    bool perRegione() const override { return true; }
    bool scrivi(const QVector<Record>& righe, const ContestoUscita& c, QByteArray& dati, QString&) const override {
        // Written as text and encoded once: the writer is several times slower on a byte device.
        QString testo = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
        testo.reserve(righe.size() * 260);
        QXmlStreamWriter w(&testo);
        w.setAutoFormatting(true);
        w.setAutoFormattingIndent(1);
        apri(w, TestoXml(c.categoria), TestoXml(c.attribuzioni.join(QStringLiteral("; "))));
        for (const Record& r : righe)
            if (const std::optional<PosizioneOV2> p = PosizionePunto(r))
                punto(w, Gradi(p->y), Gradi(p->x), TestoXml(r[kNome].trimmed()), TestoXml(DescrizionePunto(r)));
        w.writeEndDocument();
        dati = testo.toUtf8();
        return true;
    }

protected:
    // diritti: the sources' notices, empty when none is asked for.
    virtual void apri(QXmlStreamWriter& w, const QString& titolo, const QString& diritti) const = 0;
    virtual void punto(QXmlStreamWriter& w, const QString& lat, const QString& lon, const QString& nome,
                       const QString& descrizione) const = 0;
};

class FormatoGpx final : public FormatoMappa {
public:
    QString nome() const override { return QStringLiteral("GPX"); }
    QString estensione() const override { return QStringLiteral("gpx"); }

protected:
    void apri(QXmlStreamWriter& w, const QString& titolo, const QString& diritti) const override {
        w.writeStartElement(QStringLiteral("gpx"));
        w.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
        w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
        w.writeAttribute(QStringLiteral("creator"), QStringLiteral("Geomerce"));
        w.writeStartElement(QStringLiteral("metadata"));
        w.writeTextElement(QStringLiteral("name"), titolo);
        if (!diritti.isEmpty()) w.writeTextElement(QStringLiteral("desc"), diritti);
        w.writeEndElement();
    }
    void punto(QXmlStreamWriter& w, const QString& lat, const QString& lon, const QString& nome,
               const QString& descrizione) const override {
        w.writeStartElement(QStringLiteral("wpt"));
        w.writeAttribute(QStringLiteral("lat"), lat);
        w.writeAttribute(QStringLiteral("lon"), lon);
        w.writeTextElement(QStringLiteral("name"), nome);
        w.writeTextElement(QStringLiteral("desc"), descrizione);
        w.writeEndElement();
    }
};

class FormatoKml final : public FormatoMappa {
public:
    QString nome() const override { return QStringLiteral("KML"); }
    QString estensione() const override { return QStringLiteral("kml"); }

protected:
    void apri(QXmlStreamWriter& w, const QString& titolo, const QString& diritti) const override {
        w.writeStartElement(QStringLiteral("kml"));
        w.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
        w.writeStartElement(QStringLiteral("Document"));
        w.writeTextElement(QStringLiteral("name"), titolo);
        if (!diritti.isEmpty()) w.writeTextElement(QStringLiteral("description"), diritti);
    }
    void punto(QXmlStreamWriter& w, const QString& lat, const QString& lon, const QString& nome,
               const QString& descrizione) const override {
        w.writeStartElement(QStringLiteral("Placemark"));
        w.writeTextElement(QStringLiteral("name"), nome);
        w.writeTextElement(QStringLiteral("description"), descrizione);
        w.writeStartElement(QStringLiteral("Point"));
        w.writeTextElement(QStringLiteral("coordinates"), lon + u',' + lat);
        w.writeEndElement();
        w.writeEndElement();
    }
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
